#include "engine/PercentEscapes.h"

namespace {

constexpr QStringView kHexDigits = u"0123456789ABCDEFabcdef";

bool IsEscapeAt(QStringView text, qsizetype at)
{
    return at + kPercentEscapeUnits <= text.size() && text[at] == u'%' && kHexDigits.contains(text[at + 1])
        && kHexDigits.contains(text[at + 2]);
}

} // namespace

qsizetype PercentEscapeRun(QStringView text, qsizetype at)
{
    qsizetype end = at;
    while (IsEscapeAt(text, end))
        end += kPercentEscapeUnits;
    return end - at;
}
