#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// A manual-reset event: stays set until reset, and wakes every waiter when set.
// Blocking I/O can register a waker (e.g. curl_multi_wakeup) so that setting the
// event also ends a blocked transfer wait.
class ManualResetEvent
{
public:
    using Waker = std::function<void()>;

    void set();
    void reset();
    bool isSet() const { return m_set.load(std::memory_order_acquire); }
    // True when the event was set before the time ran out.
    bool waitFor(int milliseconds);

    // The waker runs under the event's mutex: it must only signal, never block.
    int addWaker(Waker waker);
    void removeWaker(int id);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_set{false};
    std::vector<std::pair<int, Waker>> m_wakers;
    int m_nextWakerId = 1;
};
