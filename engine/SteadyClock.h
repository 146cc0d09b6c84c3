#pragma once

#include <cstdint>

// The engine's monotonic clock, for rates and run durations: a change of the
// wall clock must neither give absurd rates nor negative times. Tests replace
// its source to drive time themselves.
class CSteadyClock
{
public:
    // Nanoseconds since an unspecified start; never decreasing.
    using Source = int64_t (*)();

    static int64_t NowNanoseconds();
    // From the coarse monotonic clock, since every read of a body asks for it.
    static uint64_t WholeSeconds();
    // 100-ns units, the unit of stored durations.
    static uint64_t Ticks();

    // Null restores the system's monotonic clock.
    static void SetSourceForTest(Source source);
};
