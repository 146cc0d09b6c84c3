#include "app/TextFormat.h"

namespace {

constexpr int kDigitGroup = 3;
constexpr QChar kCounterMark = u'$';

struct ByteUnit
{
    int shift; // the unit is 2^shift bytes
    const char* name;
};

// Largest first; bytes are the fallback below 1024.
constexpr ByteUnit kByteUnits[] = {{40, "TB"}, {30, "GB"}, {20, "MB"}, {10, "KB"}};

} // namespace

QString FormatThousands(uint64_t value)
{
    const QString digits = QString::number(value);
    QString out;
    out.reserve(digits.size() + digits.size() / kDigitGroup);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const qsizetype fromEnd = digits.size() - i;
        if (i > 0 && fromEnd % kDigitGroup == 0)
            out += u',';
        out += digits[i];
    }
    return out;
}

QString FormatByteSize(uint64_t bytes, bool forceDecimals)
{
    for (const ByteUnit& unit : kByteUnits) {
        const uint64_t divisor = uint64_t(1) << unit.shift;
        if (bytes < divisor)
            continue;
        // The remainder is below 2^40, so its product with 100 cannot overflow.
        const unsigned hundredths = unsigned(((bytes & (divisor - 1)) * 100) >> unit.shift);
        QString text = FormatThousands(bytes >> unit.shift);
        if (hundredths != 0 || forceDecimals)
            text += QString::asprintf(".%02u", hundredths);
        return text + u' ' + QLatin1String(unit.name);
    }
    return FormatThousands(bytes) + QStringLiteral(" B");
}

QString ExpandCounterPattern(const QString& pattern, uint32_t counter)
{
    const QString digits = QString::number(counter);
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        if (pattern[i] != kCounterMark) {
            out += pattern[i++];
            continue;
        }
        qsizetype run = 0;
        while (i < pattern.size() && pattern[i] == kCounterMark) {
            ++run;
            ++i;
        }
        out += digits.rightJustified(run, u'0');
    }
    return out;
}

QString CutUtf16(const QString& text, qsizetype maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    const bool splitsPair = maxUnits > 0 && text[maxUnits - 1].isHighSurrogate();
    return text.left(splitsPair ? maxUnits - 1 : maxUnits);
}
