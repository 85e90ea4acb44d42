#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace jaserelle::community {

// The server's idea of now; tests pass their own.
using Clock = std::function<std::chrono::system_clock::time_point()>;

inline Clock systemClock()
{
    return [] { return std::chrono::system_clock::now(); };
}

// Local calendar date and time of day of a moment, in the server's time zone (TZ).
struct LocalDateTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    std::string date() const; // YYYY-MM-DD
    std::string time() const; // HH:MM:SS
};

LocalDateTime localDateTime(std::chrono::system_clock::time_point t);

// Full years between a birth date (YYYY-MM-DD) and a day; -1 when the date cannot be read.
int ageOn(const std::string &birthDate, const LocalDateTime &today);

// The date `years` years before a day, as YYYY-MM-DD (29 February becomes 28 in common years).
std::string yearsBefore(const LocalDateTime &today, int years);

// Whether text is a real calendar date written YYYY-MM-DD.
bool isIsoDate(const std::string &text);

} // namespace jaserelle::community
