#pragma once

#include <QStringView>

#include <cstdint>

// The first byte of a Content-Range value "bytes first-last/length" (length may
// be "*"). False for anything else: another unit, an unsatisfied-range form
// ("bytes */length"), last before first, a length not past last, or a number
// that is not plain, so that an answer never lands at an offset it did not name.
bool ParseContentRangeFirstByte(QStringView text, uint64_t& first);
