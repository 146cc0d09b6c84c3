#include "dialogs/SysLinkText.h"

#include <QRegularExpression>

QString SysLinkHtml(const QString& markup)
{
    static const QRegularExpression anchor(QStringLiteral("<a>(.*?)</a>"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString html;
    qsizetype done = 0;
    int index = 0;
    for (const QRegularExpressionMatch& match : anchor.globalMatch(markup)) {
        html += markup.mid(done, match.capturedStart() - done).toHtmlEscaped();
        html += QStringLiteral("<a href=\"%1\">%2</a>").arg(index++).arg(match.captured(1).toHtmlEscaped());
        done = match.capturedEnd();
    }
    return html + markup.mid(done).toHtmlEscaped();
}
