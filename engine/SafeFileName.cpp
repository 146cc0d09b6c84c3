#include "engine/SafeFileName.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kMaxSourceUnits = 260;
constexpr qsizetype kUnlimited = std::numeric_limits<qsizetype>::max();
constexpr char16_t kReplacement = u'_';
constexpr QStringView kReservedUnits = u"\"*/:<>?\\|";
constexpr QStringView kThreeLetterDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
constexpr QStringView kNumberedDevices[] = {u"COM", u"LPT"};
constexpr qsizetype kMaxExtensionBytes = 16;
constexpr QStringView kInnerExtension = u".tar";

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

// The cleaned-up name of at most the first maxUnits units of source, cut to
// maxBytes of UTF-8 between code points and trimmed again behind the cut.
QString Cleaned(QStringView source, qsizetype maxUnits, qsizetype maxBytes)
{
    const qsizetype looked = std::min(source.size(), maxUnits);
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
        if (bytes + size > maxBytes)
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
    return name;
}

// Where the extension of name starts (its dot), or -1 when it has none: what
// follows the last dot, when short enough to be a type and something precedes
// it. ".tar" in front of it belongs to it.
qsizetype ExtensionStart(QStringView name)
{
    qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || name.sliced(dot + 1).toUtf8().size() > kMaxExtensionBytes)
        return -1;
    if (SameText(name.first(dot).right(kInnerExtension.size()), kInnerExtension) && dot > kInnerExtension.size())
        dot -= kInnerExtension.size();
    return dot;
}

// A name too long loses the end of the part before its extension, so that the
// desktop still knows the file's type, however long the source was; a name
// without an extension is what the first 260 units of the source yield, cut.
QString Shortened(QStringView source, QStringView whole)
{
    const qsizetype dot = ExtensionStart(whole);
    if (dot > 0) {
        const QStringView extension = whole.sliced(dot);
        const QString stem = Cleaned(whole.first(dot), kUnlimited, kMaxSafeFileNameBytes - extension.toUtf8().size());
        if (!stem.isEmpty())
            return stem + extension.toString();
    }
    return Cleaned(source, kMaxSourceUnits, kMaxSafeFileNameBytes);
}

} // namespace

QString SafeFileName(QStringView source)
{
    const QString whole = Cleaned(source, kUnlimited, kUnlimited);
    QString name = source.size() > kMaxSourceUnits || whole.toUtf8().size() > kMaxSafeFileNameBytes
        ? Shortened(source, whole)
        : whole;
    AvoidDeviceName(name);
    return name;
}

QString SafeStoredFileName(const QString& name)
{
    const bool plain = !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
    return plain ? name : SafeFileName(name);
}
