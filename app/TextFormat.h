#pragma once

#include <QString>

#include <cstdint>

// Decimal digits grouped by "," every three from the right: 1234567 -> "1,234,567".
QString FormatThousands(uint64_t value);

// A byte count in B, KB, MB, GB or TB (units of 1024) with two truncated
// decimals, shown when they are not zero or when forced; bytes never get decimals.
QString FormatByteSize(uint64_t bytes, bool forceDecimals);

// Each run of k "$" becomes the counter, zero-padded to k digits and never cut:
// ("file$$$.zip", 7) -> "file007.zip", ("x$$.bin", 1234) -> "x1234.bin".
QString ExpandCounterPattern(const QString& pattern, uint32_t counter);

// The first maxUnits UTF-16 units of text, one fewer when the cut would leave
// a high surrogate without its pair (an unpaired surrogate has no UTF-8 form).
QString CutUtf16(const QString& text, qsizetype maxUnits);
