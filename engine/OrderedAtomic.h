#pragma once

#include <atomic>

// A field that one thread writes while another reads it, with the memory order
// fixed once in its declaration so that every access uses the same one.
template <class T, std::memory_order LoadOrder, std::memory_order StoreOrder>
class OrderedAtomic
{
public:
    constexpr OrderedAtomic(T value = T()) noexcept : m_value(value) {}
    OrderedAtomic(const OrderedAtomic&) = delete;
    OrderedAtomic& operator=(const OrderedAtomic&) = delete;

    operator T() const noexcept { return m_value.load(LoadOrder); }
    OrderedAtomic& operator=(T value) noexcept
    {
        m_value.store(value, StoreOrder);
        return *this;
    }
    T exchange(T value) noexcept { return m_value.exchange(value, std::memory_order_acq_rel); }

private:
    std::atomic<T> m_value;
};

// Each value stands on its own (a state, a size, a rate): no ordering needed, and
// the access costs what a plain one does.
template <class T>
using RelaxedAtomic = OrderedAtomic<T, std::memory_order_relaxed, std::memory_order_relaxed>;

// A flag that publishes the writes made before it was stored.
template <class T>
using PublishedAtomic = OrderedAtomic<T, std::memory_order_acquire, std::memory_order_release>;
