#include "mainframe/core/TextUrlList.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QStringConverter::Encoding SettingEncoding(bool unicode)
{
    return unicode ? QStringConverter::Utf16LE : QStringConverter::Utf8;
}

} // namespace

QByteArray CTextUrlList::Encode(const QStringList& lines, bool unicode)
{
    const QString end = unicode ? QStringLiteral("\n") : QStringLiteral("\r\n");
    QStringEncoder encoder(SettingEncoding(unicode));
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encoder.encode(line);
        bytes += encoder.encode(end);
    }
    return bytes;
}

QStringList CTextUrlList::Decode(const QByteArray& bytes, bool unicode)
{
    // The decoder skips the byte-order mark that named its encoding.
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(SettingEncoding(unicode)));
    const QString text = decoder.decode(bytes);
    QStringList lines = text.split(u'\n');
    // The text after the last line end is a line only when it is not empty.
    const bool lastLineEnded = lines.last().isEmpty();
    if (lastLineEnded)
        lines.removeLast();
    // Only a CR before an LF belongs to the line end.
    const qsizetype ended = lastLineEnded ? lines.size() : lines.size() - 1;
    for (qsizetype i = 0; i < ended; ++i) {
        if (lines[i].endsWith(u'\r'))
            lines[i].chop(1);
    }
    return lines;
}
