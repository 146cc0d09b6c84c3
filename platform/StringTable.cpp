#include "platform/StringTable.h"

#include <QHash>

extern const char kVandrelStringTable[];

namespace {

// "\n", "\t", "\r" and "\\" are the only escapes a line may use.
QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i].unicode()) {
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        default: out += text[i]; break;
        }
    }
    return out;
}

QHash<unsigned, QString> parseTable()
{
    QHash<unsigned, QString> table;
    const QString source = QString::fromUtf8(kVandrelStringTable);
    for (QStringView line : QStringView(source).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool ok = false;
        const unsigned id = tab > 0 ? line.left(tab).toUInt(&ok) : 0;
        if (ok)
            table.insert(id, unescape(line.mid(tab + 1)));
    }
    return table;
}

} // namespace

QString LoadResString(TextId id)
{
    static const QHash<unsigned, QString> table = parseTable();
    return table.value(unsigned(id));
}
