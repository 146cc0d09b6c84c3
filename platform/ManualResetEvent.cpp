#include "platform/ManualResetEvent.h"

#include <algorithm>
#include <chrono>

void ManualResetEvent::set()
{
    std::lock_guard lock(m_mutex);
    m_set.store(true, std::memory_order_release);
    for (const auto& [id, waker] : m_wakers)
        waker();
    m_changed.notify_all();
}

void ManualResetEvent::reset()
{
    std::lock_guard lock(m_mutex);
    m_set.store(false, std::memory_order_release);
}

bool ManualResetEvent::waitFor(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_set.load(std::memory_order_acquire); });
}

int ManualResetEvent::addWaker(Waker waker)
{
    std::lock_guard lock(m_mutex);
    const int id = m_nextWakerId++;
    m_wakers.emplace_back(id, std::move(waker));
    return id;
}

void ManualResetEvent::removeWaker(int id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_wakers, [id](const auto& entry) { return entry.first == id; });
}
