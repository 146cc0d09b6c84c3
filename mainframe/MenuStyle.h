#pragma once

#include <QProxyStyle>

// The application's style with one change: a checked menu item shows its check
// mark, not its image.
class CMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // Wraps the application's style once; later calls find it in place.
    static void Install();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
