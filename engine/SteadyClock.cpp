#include "engine/SteadyClock.h"

#include "platform/CoarseClock.h"

#include <atomic>
#include <chrono>

namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr int64_t kNanosecondsPerTick = 100;

int64_t SystemSteadyNanoseconds()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// Null: the system's clocks.
std::atomic<CSteadyClock::Source> g_source{nullptr};

} // namespace

int64_t CSteadyClock::NowNanoseconds()
{
    const Source source = g_source.load(std::memory_order_relaxed);
    return source ? source() : SystemSteadyNanoseconds();
}

uint64_t CSteadyClock::WholeSeconds()
{
    const Source source = g_source.load(std::memory_order_relaxed);
    return uint64_t((source ? source() : CoarseMonotonicNanoseconds()) / kNanosecondsPerSecond);
}

uint64_t CSteadyClock::Ticks()
{
    return uint64_t(NowNanoseconds() / kNanosecondsPerTick);
}

void CSteadyClock::SetSourceForTest(Source source)
{
    g_source.store(source, std::memory_order_relaxed);
}
