#include "dialogs/ElidedLabel.h"

#include <QEvent>

CElidedLabel::CElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // The width comes from the layout; a long text must not widen the dialog.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void CElidedLabel::SetFullText(const QString& text)
{
    m_strFullText = text;
    Elide();
}

void CElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Elide();
}

void CElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Elide();
}

void CElidedLabel::Elide()
{
    setText(fontMetrics().elidedText(m_strFullText, Qt::ElideRight, contentsRect().width()));
}
