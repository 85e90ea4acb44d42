#include "community/http/accesslog.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace jaserelle::community {
namespace {

bool namesPassword(std::string_view name)
{
    constexpr std::string_view pass = "pass";
    for (std::size_t i = 0; i + pass.size() <= name.size(); ++i) {
        std::size_t k = 0;
        while (k < pass.size() && (name[i + k] | 0x20) == pass[k])
            ++k;
        if (k == pass.size())
            return true;
    }
    return false;
}

// A mail travels in the query string (sendmail, deletemail): its subject and text are between two
// members, not for whoever reads the server's log.
bool namesMailText(std::string_view name)
{
    const auto is = [name](std::string_view word) {
        if (name.size() != word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i)
            if ((name[i] | 0x20) != word[i])
                return false;
        return true;
    };
    return is("message") || is("subject");
}

void appendEscaped(std::string &out, std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b > 0x20 && b < 0x7F && c != '"' && c != '\\') {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
}

} // namespace

std::string maskPasswords(std::string_view target)
{
    const std::size_t q = target.find('?');
    if (q == std::string_view::npos)
        return std::string(target);
    std::string out(target.substr(0, q + 1));
    std::size_t start = q + 1;
    while (start <= target.size()) {
        std::size_t end = target.find('&', start);
        if (end == std::string_view::npos)
            end = target.size();
        const std::string_view pair = target.substr(start, end - start);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos &&
            (namesPassword(pair.substr(0, eq)) || namesMailText(pair.substr(0, eq)))) {
            out += pair.substr(0, eq + 1);
            out += "***";
        } else {
            out += pair;
        }
        if (end < target.size())
            out += '&';
        start = end + 1;
    }
    return out;
}

std::string accessLine(const AccessEntry &e)
{
    using namespace std::chrono;
    const auto since = e.time.time_since_epoch();
    const std::time_t seconds = duration_cast<std::chrono::seconds>(since).count();
    const int millis = static_cast<int>(duration_cast<milliseconds>(since).count() % 1000);
    std::tm tm{};
    ::gmtime_r(&seconds, &tm);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millis < 0 ? 0 : millis);
    std::string line = stamp;
    line.reserve(line.size() + e.target.size() + 64);
    appendEscaped(line, e.address.empty() ? std::string_view("-") : e.address);
    line += " \"";
    if (e.method.empty()) {
        line += '-';
    } else {
        appendEscaped(line, e.method);
        line += ' ';
        appendEscaped(line, maskPasswords(e.target));
    }
    char tail[48];
    std::snprintf(tail, sizeof tail, "\" %d %.3fms", e.status,
                  static_cast<double>(e.duration.count()) / 1000.0);
    line += tail;
    if (!e.tls.empty()) {
        line += ' ';
        line += e.tls;
    }
    line += '\n';
    return line;
}

AccessLog::AccessLog() = default;

AccessLog::AccessLog(const std::filesystem::path &file)
    : fd_(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640)), owned_(true)
{
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "access log " + file.string());
}

AccessLog::~AccessLog()
{
    if (owned_)
        ::close(fd_);
}

void AccessLog::write(const AccessEntry &entry) const
{
    const std::string line = accessLine(entry);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a full disk or a closed pipe loses log lines, never requests
        done += static_cast<std::size_t>(n);
    }
}

} // namespace jaserelle::community
