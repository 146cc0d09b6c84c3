#include "dialogs/DialogControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

QString ctrlName(int id)
{
    return QStringLiteral("id") + QString::number(id);
}

void PostFocus(QWidget* control)
{
    if (!control)
        return;
    QTimer::singleShot(0, control, [control] { control->setFocus(Qt::TabFocusReason); });
}

void FocusFirstControl(QWidget* container)
{
    QWidget* remembered = container->focusWidget();
    if (remembered && remembered != container && container->isAncestorOf(remembered)
        && remembered->isEnabledTo(container) && remembered->isVisibleTo(container)) {
        remembered->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (QWidget* widget = container->nextInFocusChain(); widget && widget != container;
         widget = widget->nextInFocusChain()) {
        if (container->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus)
            && widget->isEnabledTo(container) && widget->isVisibleTo(container)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

QString ControlText(const QWidget* control)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

std::optional<int64_t> ReadDlgItemInt(const QWidget* control, bool isSigned)
{
    if (!control)
        return std::nullopt;
    const QString text = ControlText(control);
    bool ok = false;
    const int64_t value = isSigned ? int64_t(text.toInt(&ok)) : int64_t(text.toUInt(&ok));
    if (!ok)
        return std::nullopt;
    return value;
}
