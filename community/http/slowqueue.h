#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace jaserelle::community {

// The queue in front of the slow-hash threads. A first-come queue lets whoever sends most take it
// all: a flood of logins from a few hundred addresses filled it and every honest login was turned
// away. Here each network (its prefix) has a queue of its own, served in turn, one job each, and
// at most `perNetwork` of its jobs wait; when the whole queue is full, a newcomer takes the place
// of the newest job of the network that holds most. A second lane, served first and shared the
// same way, takes the requests the caller vouches for (members who lately logged in from that
// network): they pass any flood of strangers.
class SlowQueue
{
public:
    struct Limits
    {
        std::size_t total = 64;     // jobs waiting or running, both lanes
        std::size_t perNetwork = 16; // jobs of one network, per lane
    };
    // A job runs with `true` on a slow thread, or is called with `false` on the pushing thread
    // when a newcomer took its place: it must then answer at once.
    using Job = std::function<void(bool run)>;

    SlowQueue(int threads, Limits limits);
    // Lets the threads finish what waits, then joins them.
    ~SlowQueue();
    SlowQueue(const SlowQueue &) = delete;
    SlowQueue &operator=(const SlowQueue &) = delete;

    // False, and the job untouched, when there is no room for it: the caller answers at once.
    bool push(const std::string &network, bool vouched, Job job);
    // Finishes what waits and ends the threads; the queue takes nothing afterwards.
    void join();

private:
    // Networks served in turn, one job each.
    struct Lane
    {
        std::unordered_map<std::string, std::deque<Job>> jobs;
        std::deque<std::string> turn; // networks with jobs waiting, next first
        std::size_t size = 0;
        std::size_t countOf(const std::string &network) const;
        void add(const std::string &network, Job job);
        Job next();
        // The newest job of the network holding most, when it holds more than `than`.
        bool takeFromLargest(std::size_t than, Job &out);
    };
    void work();

    Limits limits_;
    std::mutex mutex_;
    std::condition_variable ready_;
    Lane vouched_;
    Lane others_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace jaserelle::community
