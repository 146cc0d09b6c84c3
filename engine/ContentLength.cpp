#include "engine/ContentLength.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kMaxDigits = 19;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

} // namespace

bool ParseContentLength(QStringView text, uint64_t& length)
{
    const QStringView digits = trimmed(text);
    if (digits.isEmpty() || digits.size() > kMaxDigits
        || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    uint64_t value = 0; // 19 digits cannot overflow 64 unsigned bits
    for (QChar digit : digits)
        value = value * 10 + (digit.unicode() - u'0');
    if (value > uint64_t(std::numeric_limits<int64_t>::max()))
        return false;
    length = value;
    return true;
}
