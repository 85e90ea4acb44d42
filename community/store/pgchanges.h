#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace jaserelle::community {

// Listens, on a connection of its own, to what every process's PgStore announces it changed, and
// hands each announced pseudo to `changed` ("" meaning: anything may have changed). While the
// connection is down announcements are lost, so each (re)connection starts with a "".
class PgChangeListener
{
public:
    using Changed = std::function<void(std::string_view pseudo)>;
    PgChangeListener(std::string url, Changed changed);
    ~PgChangeListener();
    PgChangeListener(const PgChangeListener &) = delete;
    PgChangeListener &operator=(const PgChangeListener &) = delete;

    // Listening from the first connection on (the constructor waits for it, at most 5 s).
    bool listening() const { return listening_; }

private:
    void run();

    std::string url_;
    Changed changed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> listening_{false};
    std::thread thread_;
};

} // namespace jaserelle::community
