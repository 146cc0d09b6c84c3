#include "engine/SafeFileName.h"

#include <algorithm>

namespace {

constexpr qsizetype kMaxSourceUnits = 260;
constexpr char16_t kReplacement = u'_';
constexpr QStringView kReservedUnits = u"\"*/:<>?\\|";
constexpr QStringView kThreeLetterDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
constexpr QStringView kNumberedDevices[] = {u"COM", u"LPT"};

bool IsReserved(char16_t unit)
{
    return unit < 0x20 || QChar::isSurrogate(unit) || kReservedUnits.contains(QChar(unit));
}

qsizetype Utf8Bytes(char32_t codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

bool SameText(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// These names open a device in every folder of the systems that reserve them.
void AvoidDeviceName(QString& name)
{
    const auto is = [&name](QStringView device) { return SameText(name, device); };
    if (name.size() == 3 && std::any_of(std::begin(kThreeLetterDevices), std::end(kThreeLetterDevices), is)) {
        name[2] = kReplacement;
        return;
    }
    const auto numbered = [&name](QStringView prefix) { return SameText(name.first(3), prefix); };
    if (name.size() == 4 && name[3] >= u'1' && name[3] <= u'9'
        && std::any_of(std::begin(kNumberedDevices), std::end(kNumberedDevices), numbered))
        name[3] = kReplacement;
}

} // namespace

QString SafeFileName(QStringView source)
{
    const qsizetype looked = std::min(source.size(), kMaxSourceUnits);
    QString name;
    qsizetype end = 0; // behind the last unit that may end a name
    qsizetype bytes = 0;
    for (qsizetype at = 0; at < looked;) {
        const char16_t unit = source[at].unicode();
        const bool pair = QChar::isHighSurrogate(unit) && at + 1 < source.size()
            && QChar::isLowSurrogate(source[at + 1].unicode());
        const qsizetype units = pair ? 2 : 1;
        if (at + units > looked)
            break;
        const QStringView codePoint = source.sliced(at, units);
        const char32_t value = pair ? QChar::surrogateToUcs4(unit, source[at + 1].unicode()) : unit;
        at += units;
        if (unit == u' ' && name.isEmpty())
            continue;
        const bool replaced = !pair && IsReserved(unit);
        const qsizetype size = replaced ? 1 : Utf8Bytes(value);
        if (bytes + size > kMaxSafeFileNameBytes)
            break;
        bytes += size;
        if (replaced)
            name += kReplacement;
        else
            name += codePoint;
        if (!replaced && unit != u' ' && unit != u'.')
            end = name.size();
    }
    name.truncate(end);
    AvoidDeviceName(name);
    return name;
}
