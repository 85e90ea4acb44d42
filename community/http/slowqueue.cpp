#include "community/http/slowqueue.h"

#include <pthread.h>

namespace jaserelle::community {

std::size_t SlowQueue::Lane::countOf(const std::string &network) const
{
    const auto it = jobs.find(network);
    return it == jobs.end() ? 0 : it->second.size();
}

void SlowQueue::Lane::add(const std::string &network, Job job)
{
    auto &queue = jobs[network];
    if (queue.empty())
        turn.push_back(network);
    queue.push_back(std::move(job));
    ++size;
}

SlowQueue::Job SlowQueue::Lane::next()
{
    std::string network = std::move(turn.front());
    turn.pop_front();
    auto it = jobs.find(network);
    Job job = std::move(it->second.front());
    it->second.pop_front();
    --size;
    if (it->second.empty())
        jobs.erase(it);
    else
        turn.push_back(std::move(network)); // its next job waits for the others' turn
    return job;
}

bool SlowQueue::Lane::takeFromLargest(std::size_t than, Job &out)
{
    auto largest = jobs.end();
    for (auto it = jobs.begin(); it != jobs.end(); ++it)
        if (largest == jobs.end() || it->second.size() > largest->second.size())
            largest = it;
    if (largest == jobs.end() || largest->second.size() <= than)
        return false;
    out = std::move(largest->second.back());
    largest->second.pop_back();
    --size;
    if (largest->second.empty()) {
        std::erase(turn, largest->first);
        jobs.erase(largest);
    }
    return true;
}

SlowQueue::SlowQueue(int threads, Limits limits) : limits_(limits)
{
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i)
        threads_.emplace_back([this] { work(); });
}

SlowQueue::~SlowQueue()
{
    join();
}

bool SlowQueue::push(const std::string &network, bool vouched, Job job)
{
    Job displaced;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        Lane &lane = vouched ? vouched_ : others_;
        const std::size_t mine = lane.countOf(network);
        if (mine >= limits_.perNetwork)
            return false;
        if (running_ + vouched_.size + others_.size >= limits_.total) {
            // Full: a vouched request takes the place of any stranger's; a stranger only that of
            // a network holding more than his own does, so no network can crowd the others out.
            const bool made = vouched ? others_.takeFromLargest(0, displaced) ||
                                            vouched_.takeFromLargest(mine + 1, displaced)
                                      : others_.takeFromLargest(mine + 1, displaced);
            if (!made)
                return false;
        }
        lane.add(network, std::move(job));
    }
    ready_.notify_one();
    if (displaced)
        displaced(false);
    return true;
}

void SlowQueue::work()
{
    // At the machine's normal priority. These threads once ran at nice 19 so that the connection
    // threads went first, but that yields to every other process on the machine too: with a dozen
    // busy processes on two cores a 60 ms hash took tens of seconds and an honest login waited
    // behind it. The flood that nice was meant to hold back costs no hash any more (an unknown
    // pseudo's refusal is held on a timer, PasswordHasher::dummyCheck), and a known pseudo's
    // wrong passwords are throttled.
    ::pthread_setname_np(::pthread_self(), "jaserelle-hash"); // for top -H and the flood bench
    std::unique_lock lock(mutex_);
    while (true) {
        ready_.wait(lock, [this] { return stopping_ || vouched_.size + others_.size > 0; });
        if (vouched_.size + others_.size == 0)
            return; // stopping, and nothing left
        Job job = vouched_.size > 0 ? vouched_.next() : others_.next();
        ++running_;
        lock.unlock();
        job(true);
        job = nullptr;
        lock.lock();
        --running_;
    }
}

void SlowQueue::join()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (auto &t : threads_)
        if (t.joinable())
            t.join();
}

} // namespace jaserelle::community
