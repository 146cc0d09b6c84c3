#include "platform/SystemError.h"

#include <cstring>

namespace {

constexpr size_t kErrorTextCapacity = 1024;

} // namespace

QString GetSystemErrorText(int code)
{
    char buffer[kErrorTextCapacity];
    // The GNU form returns its text, which need not lie in the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    QString result = QString::fromLocal8Bit(text);
    // Error lines are joined into one-line displays, so no line break may remain.
    result.replace(u'\r', u' ').replace(u'\n', u' ');
    while (result.endsWith(u' '))
        result.chop(1);
    return result;
}
