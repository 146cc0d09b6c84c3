#pragma once

#include <QString>

// A printf-style text made by the C library in the "C" locale (the decimal point
// is always "."). "%.1f" must round an exact tie to even, as the C runtime does
// (12.25 -> "12.2"); QString::asprintf rounds it up.
QString PrintfText(const char* format, ...) __attribute__((format(printf, 1, 2)));
