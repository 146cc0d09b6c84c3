#include "dialogs/WrapLabel.h"

#include <QResizeEvent>

#include <algorithm>

CWrapLabel::CWrapLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setWordWrap(true);
}

int CWrapLabel::LaidOutWidth() const
{
    return testAttribute(Qt::WA_Resized) ? width() : QLabel::sizeHint().width();
}

QSize CWrapLabel::minimumSizeHint() const
{
    // QLabel's own: the widest word across, one line down.
    const QSize least = QLabel::minimumSizeHint();
    return {least.width(), std::max(least.height(), heightForWidth(LaidOutWidth()))};
}

QSize CWrapLabel::sizeHint() const
{
    // QLabel's own width, the height of the lines at the width the label has.
    return {QLabel::sizeHint().width(), minimumSizeHint().height()};
}

void CWrapLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        updateGeometry();
}
