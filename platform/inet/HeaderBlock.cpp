#include "platform/inet/HeaderBlock.h"

#include <QStringDecoder>

#include <iconv.h>

namespace inet {

namespace {

QByteArray trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\t'))
        ++begin;
    while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t'))
        --end;
    return bytes.sliced(begin, end - begin).toByteArray();
}

std::optional<QString> decodeGb18030(const QByteArray& bytes)
{
    iconv_t converter = iconv_open("UTF-16LE", "GB18030");
    if (converter == iconv_t(-1))
        return std::nullopt;
    QByteArray input = bytes;
    QByteArray output(bytes.size() * 4 + 4, Qt::Uninitialized);
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = size_t(input.size());
    size_t outLeft = size_t(output.size());
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == size_t(-1) || inLeft != 0)
        return std::nullopt;
    const qsizetype units = (output.size() - qsizetype(outLeft)) / 2;
    return QString(reinterpret_cast<const QChar*>(output.constData()), units);
}

// The value of a "Name: value" line of that name, trimmed; the name is compared without regard to case.
std::optional<QByteArray> valueOf(const QByteArray& line, QByteArrayView name)
{
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && trimmed(QByteArrayView(line).first(colon)).compare(name, Qt::CaseInsensitive) == 0)
        return trimmed(QByteArrayView(line).sliced(colon + 1));
    return std::nullopt;
}

} // namespace

HeaderBlock HeaderBlock::fromStatusLine(const QByteArray& line)
{
    // "HTTP/1.1 200 OK": libcurl has already refused a status line it cannot read.
    const QList<QByteArray> parts = line.simplified().split(' ');
    return HeaderBlock(parts.size() > 1 ? parts[1].toInt() : 0);
}

void HeaderBlock::addLine(const QByteArray& line)
{
    const bool folded = !line.isEmpty() && (line[0] == ' ' || line[0] == '\t');
    if (folded && !m_lines.isEmpty())
        m_lines.last() += ' ' + trimmed(line);
    else
        m_lines.append(line);
}

std::optional<QByteArray> HeaderBlock::value(QByteArrayView name) const
{
    for (const QByteArray& line : m_lines) {
        if (std::optional<QByteArray> found = valueOf(line, name))
            return found;
    }
    return std::nullopt;
}

bool HeaderBlock::codedOnlyInChunks() const
{
    for (const QByteArray& line : m_lines) {
        const std::optional<QByteArray> codings = valueOf(line, "Transfer-Encoding");
        if (!codings)
            continue;
        for (const QByteArray& entry : codings->split(',')) {
            const qsizetype parameters = entry.indexOf(';');
            const QByteArray coding = trimmed(parameters < 0 ? entry : entry.first(parameters));
            if (!coding.isEmpty() && coding.compare("chunked", Qt::CaseInsensitive) != 0
                && coding.compare("identity", Qt::CaseInsensitive) != 0)
                return false;
        }
    }
    return true;
}

std::optional<QString> HeaderBlock::text(QByteArrayView name) const
{
    const std::optional<QByteArray> bytes = value(name);
    if (!bytes)
        return std::nullopt;
    return decode(*bytes);
}

QString HeaderBlock::decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    if (std::optional<QString> gb = decodeGb18030(bytes))
        return *gb;
    return QString::fromLatin1(bytes);
}

} // namespace inet
