#include "community/core/clock.h"

#include <cstdio>
#include <ctime>

namespace jaserelle::community {
namespace {

bool leap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysIn(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

bool parseDate(const std::string &text, int &y, int &m, int &d)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    y = std::stoi(text.substr(0, 4));
    m = std::stoi(text.substr(5, 2));
    d = std::stoi(text.substr(8, 2));
    return m >= 1 && m <= 12 && d >= 1 && d <= daysIn(y, m);
}

} // namespace

std::string LocalDateTime::date() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
    return buf;
}

std::string LocalDateTime::time() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hour % 100, minute % 100, second % 100);
    return buf;
}

LocalDateTime localDateTime(std::chrono::system_clock::time_point t)
{
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool isIsoDate(const std::string &text)
{
    int y, m, d;
    return parseDate(text, y, m, d);
}

int ageOn(const std::string &birthDate, const LocalDateTime &today)
{
    int y, m, d;
    if (!parseDate(birthDate, y, m, d))
        return -1;
    int age = today.year - y;
    if (today.month < m || (today.month == m && today.day < d))
        --age;
    return age < 0 ? -1 : age;
}

std::string yearsBefore(const LocalDateTime &today, int years)
{
    LocalDateTime r = today;
    r.year -= years;
    if (r.month == 2 && r.day == 29 && !leap(r.year))
        r.day = 28;
    return r.date();
}

} // namespace jaserelle::community
