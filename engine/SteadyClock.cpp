#include "engine/SteadyClock.h"

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

std::atomic<CSteadyClock::Source> g_source{&SystemSteadyNanoseconds};

} // namespace

int64_t CSteadyClock::NowNanoseconds()
{
    return g_source.load(std::memory_order_relaxed)();
}

uint64_t CSteadyClock::WholeSeconds()
{
    return uint64_t(NowNanoseconds() / kNanosecondsPerSecond);
}

uint64_t CSteadyClock::Ticks()
{
    return uint64_t(NowNanoseconds() / kNanosecondsPerTick);
}

void CSteadyClock::SetSourceForTest(Source source)
{
    g_source.store(source ? source : &SystemSteadyNanoseconds, std::memory_order_relaxed);
}
