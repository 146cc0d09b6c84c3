#include "dialogs/UpDownCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

CUpDownCtrl::CUpDownCtrl(QLineEdit* buddy, QWidget* parent) : QWidget(parent), m_pBuddy(buddy)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const auto& [arrow, delta] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        connect(button, &QToolButton::clicked, this, [this, delta = delta] { Step(delta); });
        layout->addWidget(button);
    }
    buddy->installEventFilter(this);
}

QSize CUpDownCtrl::sizeHint() const
{
    int width = 0;
    for (const QToolButton* button : findChildren<QToolButton*>())
        width = std::max(width, button->sizeHint().width());
    return {width, m_pBuddy->sizeHint().height()};
}

QSize CUpDownCtrl::minimumSizeHint() const
{
    return sizeHint();
}

void CUpDownCtrl::SetRange(int minimum, int maximum)
{
    m_nMinimum = minimum;
    m_nMaximum = maximum;
}

void CUpDownCtrl::SetPos(int position)
{
    m_pBuddy->setText(QString::number(std::clamp(position, m_nMinimum, m_nMaximum)));
}

void CUpDownCtrl::Step(int delta)
{
    if (!isEnabled())
        return;
    bool ok = false;
    const int current = m_pBuddy->text().toInt(&ok);
    SetPos(ok ? std::clamp(current, m_nMinimum, m_nMaximum) + delta : m_nMinimum);
}

bool CUpDownCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pBuddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
