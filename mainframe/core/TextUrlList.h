#pragma once

#include <QByteArray>
#include <QStringList>

// A plain list of URLs, one per line. Unicode: UTF-16LE units; otherwise UTF-8.
// Written without a byte-order mark, each line ended by LF (Unicode) or CR LF.
// Read as other programs write lists: a byte-order mark at the start (UTF-8,
// UTF-16 or UTF-32, either order) decides the encoding whatever the setting
// says; LF ends a line and a CR just before it belongs to the line end. Empty
// lines are lines; the last line needs no end; nothing else is trimmed.
class CTextUrlList
{
public:
    static QByteArray Encode(const QStringList& lines, bool unicode);
    static QStringList Decode(const QByteArray& bytes, bool unicode);
};
