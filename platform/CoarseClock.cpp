#include "platform/CoarseClock.h"

#include <ctime>

namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;

} // namespace

int64_t CoarseMonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return int64_t(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}
