#include "dialogs/LinkLabel.h"

#include <QFocusEvent>

CLinkLabel::CLinkLabel(const QString& html, QWidget* parent) : CWrapLabel(QString(), parent)
{
    setTextFormat(Qt::RichText);
    setText(html);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
}

void CLinkLabel::SetLinkText(const QString& html)
{
    setText(html);
    // A text without a link keeps the focus here until one comes back.
    if (hasFocus() && html.contains(QLatin1String("<a "), Qt::CaseInsensitive))
        QLabel::focusNextPrevChild(true);
}

void CLinkLabel::focusInEvent(QFocusEvent* event)
{
    CWrapLabel::focusInEvent(event);
    // A click acts on the link itself; every other way in shows a focused link
    // (the last one when coming back with Shift+Tab), or moves on past a label
    // that has none.
    if (event->reason() != Qt::MouseFocusReason && !hasSelectedText())
        QLabel::focusNextPrevChild(event->reason() != Qt::BacktabFocusReason);
}
