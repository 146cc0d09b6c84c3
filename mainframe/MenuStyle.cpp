#include "mainframe/MenuStyle.h"

#include <QApplication>
#include <QStyleOptionMenuItem>

void CMenuStyle::Install()
{
    if (!qobject_cast<CMenuStyle*>(QApplication::style()))
        QApplication::setStyle(new CMenuStyle(QApplication::style()->name()));
}

void CMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuItem && item && item->checked) {
        QStyleOptionMenuItem copy(*item);
        copy.icon = QIcon();
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
