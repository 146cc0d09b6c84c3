#include "dialogs/UpDownButtons.h"

#include "dialogs/DialogControls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    return button;
}

} // namespace

CUpDownButtons::CUpDownButtons(int id, QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_nMinimum(minimum), m_nMaximum(maximum)
{
    setObjectName(ctrlName(id));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QToolButton* up = MakeArrow(this, Qt::UpArrow);
    QToolButton* down = MakeArrow(this, Qt::DownArrow);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
    m_buddy->installEventFilter(this);
}

void CUpDownButtons::Step(int delta)
{
    if (!isEnabled())
        return;
    // One step from the number shown, taken into the range first; text that is
    // no number starts the range over.
    bool ok = false;
    const int typed = m_buddy->text().toInt(&ok);
    const int to = ok ? std::clamp(std::clamp(typed, m_nMinimum, m_nMaximum) + delta, m_nMinimum, m_nMaximum)
                      : m_nMinimum;
    m_buddy->setText(QString::number(to));
}

bool CUpDownButtons::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
