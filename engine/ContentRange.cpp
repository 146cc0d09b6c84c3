#include "engine/ContentRange.h"

#include "engine/ContentLength.h"

namespace {

constexpr QStringView kUnit = u"bytes ";
constexpr QStringView kUnknownLength = u"*";

} // namespace

bool ParseContentRange(QStringView text, ContentRange& parsed)
{
    text = text.trimmed();
    if (!text.startsWith(kUnit, Qt::CaseInsensitive))
        return false;
    const QStringView range = text.sliced(kUnit.size());
    const qsizetype dash = range.indexOf(u'-');
    const qsizetype slash = range.indexOf(u'/');
    if (dash < 0 || slash < dash)
        return false;
    uint64_t from = 0;
    uint64_t to = 0;
    if (!ParseContentLength(range.first(dash), from)
        || !ParseContentLength(range.sliced(dash + 1, slash - dash - 1), to) || to < from)
        return false;
    const QStringView total = range.sliced(slash + 1).trimmed();
    const bool known = total != kUnknownLength;
    uint64_t length = 0;
    if (known && (!ParseContentLength(total, length) || length <= to))
        return false;
    parsed.first = from;
    parsed.total = known ? std::optional(length) : std::nullopt;
    return true;
}
