#include "platform/MessageFormat.h"

#include <string_view>

namespace {

constexpr int kMaxInsertDigits = 2;

struct NumberConversion
{
    std::u16string_view name;
    QString (*print)(uint64_t bits);
};

// The integer conversions of the message texts: 32-bit unless marked I64.
constexpr NumberConversion kNumberConversions[] = {
    {u"u", [](uint64_t bits) { return QString::number(uint32_t(bits)); }},
    {u"d", [](uint64_t bits) { return QString::number(int32_t(bits)); }},
    {u"I64u", [](uint64_t bits) { return QString::number(bits); }},
};

struct Placeholder
{
    qsizetype length = 0; // 0: no placeholder here
    int index = 0;        // 1-based insert number
    QStringView conversion;
};

// Reads "%N" or "%N!conversion!" at `at`, which holds a '%'.
Placeholder readPlaceholder(QStringView pattern, qsizetype at)
{
    Placeholder found;
    qsizetype end = at + 1;
    while (end < pattern.size() && end - at <= kMaxInsertDigits && pattern[end].isDigit())
        found.index = found.index * 10 + pattern[end++].digitValue();
    if (end == at + 1 || found.index == 0)
        return found;
    found.conversion = u"s";
    if (end < pattern.size() && pattern[end] == u'!') {
        const qsizetype close = pattern.indexOf(u'!', end + 1);
        if (close < 0)
            return found;
        found.conversion = pattern.sliced(end + 1, close - end - 1);
        end = close + 1;
    }
    found.length = end - at;
    return found;
}

std::optional<QString> insertValue(const Placeholder& placeholder, std::initializer_list<MessageInsert> inserts)
{
    if (!placeholder.length || size_t(placeholder.index) > inserts.size())
        return std::nullopt;
    return inserts.begin()[placeholder.index - 1].format(placeholder.conversion);
}

} // namespace

std::optional<QString> MessageInsert::format(QStringView conversion) const
{
    if (conversion == u"s") {
        if (!m_isNumber)
            return m_text;
        return m_isSigned ? QString::number(int64_t(m_bits)) : QString::number(m_bits);
    }
    for (const NumberConversion& known : kNumberConversions) {
        if (conversion == known.name)
            return m_isNumber ? known.print(m_bits) : m_text;
    }
    return std::nullopt;
}

QString FormatMessageText(const QString& pattern, std::initializer_list<MessageInsert> inserts)
{
    QString out;
    out.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != u'%' || i + 1 == pattern.size()) {
            out += pattern[i];
        } else if (pattern[i + 1] == u'%') {
            out += u'%';
            ++i;
        } else {
            const Placeholder placeholder = readPlaceholder(pattern, i);
            const std::optional<QString> value = insertValue(placeholder, inserts);
            if (!value) {
                out += u'%';
                continue;
            }
            out += *value;
            i += placeholder.length - 1;
        }
    }
    return out;
}
