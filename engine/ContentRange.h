#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

// What a Content-Range value "bytes first-last/length" tells: where the answer
// lands and, unless the length is "*", how long the whole file now is.
struct ContentRange
{
    uint64_t first = 0;
    std::optional<uint64_t> total;
};

// False, leaving parsed as it was, for anything else: another unit, an
// unsatisfied-range form ("bytes */length"), last before first, a length not
// past last, or a number that is not plain, so that an answer never lands at an
// offset it did not name.
bool ParseContentRange(QStringView text, ContentRange& parsed);
