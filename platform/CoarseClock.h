#pragma once

#include <cstdint>

// The monotonic clock as of the system's last timer tick, a few milliseconds
// behind the exact one at most. Reading it costs a memory load, where the exact
// clock reads a hardware counter, which some virtual machines make slow: for
// code that wants whole seconds many thousand times a second.
int64_t CoarseMonotonicNanoseconds();
