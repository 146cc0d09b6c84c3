#pragma once

#include <QByteArray>
#include <QStringList>

// A plain list of URLs, one per line. Unicode: UTF-16LE units, each line ended
// by LF alone (a CR before it stays in the line). Otherwise UTF-8, written with
// CR LF and read with LF or CR LF. Empty lines are lines; the last line needs no
// end; nothing is trimmed. No byte-order mark is written, and one at the start
// is skipped, since editors add it.
class CTextUrlList
{
public:
    static QByteArray Encode(const QStringList& lines, bool unicode);
    static QStringList Decode(const QByteArray& bytes, bool unicode);
};
