#pragma once

#include <QStringView>

#include <cstdint>

// A Content-Length value counts only when it is a plain decimal number: 1 to 19
// digits after trimming spaces and tabs, no sign, nothing else, within the signed
// 64-bit range. "-5", "12abc" or an overflowing value must never become a size.
bool ParseContentLength(QStringView text, uint64_t& length);
