#include "engine/ContentDisposition.h"

#include "engine/PercentEscapes.h"

#include <QByteArray>
#include <QStringDecoder>

#include <optional>

namespace {

constexpr QStringView kQuotedParameter = u"filename=\"";
constexpr QStringView kExtendedParameter = u"filename*";

struct Charset
{
    QStringView name;
    QStringConverter::Encoding encoding;
};

constexpr Charset kCharsets[] = {
    {u"UTF-8", QStringConverter::Utf8},
    {u"ISO-8859-1", QStringConverter::Latin1},
};

// The parameters of the value, split at the semicolons outside quoted strings.
QList<QStringView> Parameters(QStringView header)
{
    QList<QStringView> parameters;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype at = 0; at < header.size(); ++at) {
        const QChar c = header[at];
        if (quoted && c == u'\\')
            ++at;
        else if (c == u'"')
            quoted = !quoted;
        else if (c == u';' && !quoted) {
            parameters.append(header.sliced(start, at - start).trimmed());
            start = at + 1;
        }
    }
    parameters.append(header.sliced(start).trimmed());
    return parameters;
}

// Visible ASCII but for the characters that end or quote a parameter, every "%"
// starting an escape.
bool IsWellFormedValue(QStringView value)
{
    for (qsizetype at = 0; at < value.size(); ++at) {
        const char16_t c = value[at].unicode();
        if (c <= u' ' || c >= 0x7F || c == u'"' || c == u';' || c == u'\\')
            return false;
        if (c == u'%' && PercentEscapeRun(value, at) == 0)
            return false;
    }
    return !value.isEmpty();
}

std::optional<QStringConverter::Encoding> CharsetEncoding(QStringView name)
{
    for (const Charset& charset : kCharsets) {
        if (name.compare(charset.name, Qt::CaseInsensitive) == 0)
            return charset.encoding;
    }
    return std::nullopt;
}

// charset'language'value, decoded; empty when malformed.
QString ExtendedValue(QStringView text)
{
    const qsizetype charsetEnd = text.indexOf(u'\'');
    const qsizetype languageEnd = charsetEnd < 0 ? -1 : text.indexOf(u'\'', charsetEnd + 1);
    if (languageEnd < 0)
        return {};
    const std::optional<QStringConverter::Encoding> encoding = CharsetEncoding(text.first(charsetEnd));
    const QStringView value = text.sliced(languageEnd + 1);
    if (!encoding || !IsWellFormedValue(value))
        return {};
    QStringDecoder decoder(*encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString name = decoder.decode(QByteArray::fromPercentEncoding(value.toLatin1()));
    return decoder.hasError() ? QString() : name;
}

QString ExtendedFileName(QStringView header)
{
    for (const QStringView parameter : Parameters(header)) {
        const qsizetype equals = parameter.indexOf(u'=');
        if (equals > 0 && parameter.first(equals).trimmed().compare(kExtendedParameter, Qt::CaseInsensitive) == 0)
            return ExtendedValue(parameter.sliced(equals + 1).trimmed());
    }
    return {};
}

QString QuotedFileName(QStringView header)
{
    const qsizetype parameter = header.indexOf(kQuotedParameter, 0, Qt::CaseInsensitive);
    if (parameter < 0)
        return {};
    const qsizetype start = parameter + kQuotedParameter.size();
    const qsizetype end = header.indexOf(u'"', start);
    return end < 0 ? QString() : header.sliced(start, end - start).toString();
}

} // namespace

QStringList DispositionFileNames(QStringView header)
{
    QStringList names;
    for (QString name : {ExtendedFileName(header), QuotedFileName(header)}) {
        if (!name.isEmpty())
            names.append(std::move(name));
    }
    return names;
}
