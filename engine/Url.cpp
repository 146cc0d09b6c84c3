#include "engine/Url.h"

#include "engine/PercentEscapes.h"

#include <QByteArray>
#include <QList>
#include <QStringDecoder>

namespace {

// How many bytes the UTF-8 character that lead starts has; 0 when it starts none.
qsizetype Utf8Length(uchar lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// The one character that bytes encode, when it is valid UTF-8 (no overlong form,
// no surrogate) and may stand in a file name; else empty.
QString NameCharacter(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                                    | QStringConverter::Flag::ConvertInitialBom);
    const QString character = utf8.decode(bytes);
    if (utf8.hasError() || character.isEmpty())
        return {};
    const char32_t codePoint = character.toUcs4().value(0);
    if (codePoint == U'/' || QChar::category(codePoint) == QChar::Other_Control)
        return {};
    return character;
}

// A run of escapes decoded character by character; an escape that is no part of
// a character a name may hold stays as it was written.
QString DecodedRun(QStringView run)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(run.toLatin1());
    QString decoded;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = Utf8Length(uchar(bytes[at]));
        const QString character =
            length && at + length <= bytes.size() ? NameCharacter(QByteArrayView(bytes).sliced(at, length)) : QString();
        if (character.isEmpty()) {
            decoded += run.sliced(at * kPercentEscapeUnits, kPercentEscapeUnits);
            ++at;
        } else {
            decoded += character;
            at += length;
        }
    }
    return decoded;
}

} // namespace

QString CUrl::GetFileName() const
{
    const QStringView name = QStringView(m_strObject).sliced(m_strObject.lastIndexOf(u'/') + 1);
    const qsizetype query = name.indexOf(u'?');
    return (query >= 0 ? name.first(query) : name).toString();
}

QString CUrl::GetDecodedFileName() const
{
    const QString name = GetFileName();
    QString decoded;
    for (qsizetype at = 0; at < name.size();) {
        const qsizetype run = PercentEscapeRun(name, at);
        if (run == 0) {
            decoded += name[at++];
            continue;
        }
        decoded += DecodedRun(QStringView(name).sliced(at, run));
        at += run;
    }
    return decoded;
}

bool CUrl::IsSameOrigin(const CUrl& other) const
{
    return m_nServiceType == other.m_nServiceType && m_nPort == other.m_nPort
        && m_strServer.compare(other.m_strServer, Qt::CaseInsensitive) == 0;
}
