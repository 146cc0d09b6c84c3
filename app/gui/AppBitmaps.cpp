#include "app/gui/AppBitmaps.h"

#include <QHash>
#include <QPainter>
#include <QPolygon>

#include <functional>

namespace {

constexpr int kSize = 16;
const QColor kGrey(128, 128, 128);
const QColor kGreen(6, 176, 37);
const QColor kBlue(0, 120, 215);
const QColor kAmber(232, 162, 0);
const QColor kRed(218, 38, 38);
const QColor kPurple(136, 72, 196);

QPixmap Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return pixmap;
}

QPixmap Play(const QColor& color)
{
    return Draw([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(QPolygon({{4, 2}, {13, 8}, {4, 14}}));
    });
}

// The About box's tall logo: a downward arrow over a bar, on the program's blue.
QPixmap Logo()
{
    constexpr QSize kLogoSize(42, 138);
    QPixmap pixmap(kLogoSize);
    pixmap.fill(kBlue);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygon({{15, 20}, {27, 20}, {27, 62}, {36, 62}, {21, 84}, {6, 62}, {15, 62}}));
    painter.fillRect(6, 96, 30, 6, kAmber);
    return pixmap;
}

QPixmap Make(int resourceId)
{
    switch (resourceId) {
    case 101:
        return Logo();
    case 325: // new or prepared: an empty page
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            p.setBrush(Qt::white);
            p.drawRect(3, 1, 10, 13);
        });
    case 328: // running
        return Play(kGreen);
    case 431: // running after errors
        return Play(kAmber);
    case 326: // paused
        return Draw([](QPainter& p) {
            p.fillRect(4, 2, 3, 12, kBlue);
            p.fillRect(9, 2, 3, 12, kBlue);
        });
    case 327: // queued: a clock
        return Draw([](QPainter& p) {
            p.setPen(QPen(kAmber, 1.5));
            p.drawEllipse(2, 2, 12, 12);
            p.drawPolyline(QPolygon({{8, 4}, {8, 8}, {11, 10}}));
        });
    case 324: // failed
        return Draw([](QPainter& p) {
            p.setPen(QPen(kRed, 2.5));
            p.drawLine(4, 4, 12, 12);
            p.drawLine(12, 4, 4, 12);
        });
    case 323: // completed
        return Draw([](QPainter& p) {
            p.setPen(QPen(kGreen, 2.5));
            p.drawPolyline(QPolygon({{3, 8}, {7, 12}, {13, 4}}));
        });
    case 413: // scheduled: a calendar
        return Draw([](QPainter& p) {
            p.setPen(kPurple);
            p.setBrush(Qt::white);
            p.drawRect(2, 3, 12, 11);
            p.fillRect(2, 3, 13, 3, kPurple);
        });
    default:
        return {};
    }
}

} // namespace

QPixmap AppBitmap(int resourceId)
{
    static QHash<int, QPixmap> cache;
    auto found = cache.find(resourceId);
    if (found == cache.end())
        found = cache.insert(resourceId, Make(resourceId));
    return *found;
}
