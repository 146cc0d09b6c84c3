#include "mainframe/TextUrlList.h"

#include <QStringDecoder>

namespace {

constexpr char16_t kByteOrderMark = u'\uFEFF';

QString DecodeUtf16Le(const QByteArray& bytes)
{
    QString text;
    text.resize(bytes.size() / 2);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8));
    return text;
}

// Keeps a byte-order mark, so that both encodings skip exactly one.
QString DecodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

void AppendUtf16Le(QByteArray& bytes, const QString& text)
{
    for (const QChar unit : text) {
        bytes.append(char(unit.unicode() & 0xFF));
        bytes.append(char(unit.unicode() >> 8));
    }
}

} // namespace

QByteArray CTextUrlList::Encode(const QStringList& lines, bool unicode)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        if (unicode)
            AppendUtf16Le(bytes, line + u'\n');
        else
            bytes.append(line.toUtf8()).append("\r\n");
    }
    return bytes;
}

QStringList CTextUrlList::Decode(const QByteArray& bytes, bool unicode)
{
    QString text = unicode ? DecodeUtf16Le(bytes) : DecodeUtf8(bytes);
    if (text.startsWith(QChar(kByteOrderMark)))
        text.remove(0, 1);
    QStringList lines = text.split(u'\n');
    // The text after the last line end is a line only when it is not empty.
    const bool lastLineEnded = lines.last().isEmpty();
    if (lastLineEnded)
        lines.removeLast();
    if (!unicode) {
        // Only the CR of a CR LF belongs to the line end.
        const qsizetype ended = lastLineEnded ? lines.size() : lines.size() - 1;
        for (qsizetype i = 0; i < ended; ++i) {
            if (lines[i].endsWith(u'\r'))
                lines[i].chop(1);
        }
    }
    return lines;
}
