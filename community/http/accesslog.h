#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace jaserelle::community {

// One request as the access log tells it.
struct AccessEntry
{
    std::chrono::system_clock::time_point time; // when the answer had gone
    std::string_view address;
    std::string_view method; // empty when the request could not be read
    std::string_view target;
    int status = 0;
    std::chrono::microseconds duration{0}; // from the connection to the answer sent
    // "tls" or "tls-resumed" (a handshake that resumed an earlier session) over HTTPS; empty on
    // plain HTTP, which keeps its line as it always was.
    std::string_view tls{};
};

// The target with the value of every parameter whose name holds "pass" (any case), and of a mail's
// "subject" and "message", replaced by "***": neither a password nor a mail reaches a log file.
std::string maskPasswords(std::string_view target);

// `2026-12-06T12:00:00.250Z 10.0.0.1 "GET /softlogin.php?login=alice&password=***" 200 1.234ms`
// and a line feed. UTC; the request's bytes outside printable ASCII, `"` and `\` come out as %XX,
// so one request is always one line.
std::string accessLine(const AccessEntry &entry);

// Lines appended to a file descriptor, one write(2) each: no lock, and lines from several threads
// never interleave (the file is opened O_APPEND).
class AccessLog
{
public:
    AccessLog();                                           // standard error
    explicit AccessLog(const std::filesystem::path &file); // throws std::system_error
    ~AccessLog();
    AccessLog(const AccessLog &) = delete;
    AccessLog &operator=(const AccessLog &) = delete;

    void write(const AccessEntry &entry) const;

private:
    int fd_ = 2;
    bool owned_ = false;
};

} // namespace jaserelle::community
