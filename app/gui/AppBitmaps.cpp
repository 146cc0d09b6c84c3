#include "app/gui/AppBitmaps.h"

#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
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

// The options tree's page images.
QPixmap MakePageImage(int resourceId)
{
    switch (resourceId) {
    case 347: // general: a gear
        return Draw([](QPainter& p) {
            p.setPen(QPen(kGrey, 3, Qt::SolidLine, Qt::FlatCap));
            for (int i = 0; i < 4; ++i) {
                p.drawLine(QLineF::fromPolar(7, i * 45).translated(8, 8).p2(),
                           QLineF::fromPolar(7, i * 45 + 180).translated(8, 8).p2());
            }
            p.setPen(QPen(kGrey, 2));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 4, 4);
        });
    case 388: // URL monitor: an eye
        return Draw([](QPainter& p) {
            p.setPen(QPen(kBlue, 1.5));
            QPainterPath eye;
            eye.moveTo(1, 8);
            eye.quadTo(8, 1, 15, 8);
            eye.quadTo(8, 15, 1, 8);
            p.drawPath(eye);
            p.setBrush(kBlue);
            p.drawEllipse(QPointF(8, 8), 2, 2);
        });
    case 389: // other: three dots
        return Draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kGrey);
            for (int x : {3, 8, 13})
                p.drawEllipse(QPointF(x, 8), 1.8, 1.8);
        });
    case 390: // connection: two linked nodes
        return Draw([](QPainter& p) {
            p.setPen(QPen(kGreen, 1.5));
            p.drawLine(4, 12, 12, 4);
            p.setBrush(kGreen);
            p.drawEllipse(QPointF(4, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(12, 4), 2.5, 2.5);
        });
    case 391: // proxy: a server passing the line on
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            p.setBrush(Qt::white);
            p.drawRect(4, 1, 8, 14);
            p.setPen(QPen(kGreen, 1.5));
            p.drawLine(0, 8, 16, 8);
        });
    case 440: // security: a shield
        return Draw([](QPainter& p) {
            p.setPen(QPen(kBlue, 1));
            p.setBrush(kBlue.lighter(150));
            p.drawPolygon(QPolygon({{8, 1}, {14, 3}, {13, 10}, {8, 15}, {3, 10}, {2, 3}}));
        });
    case 392: // downloads: an arrow down to a tray
        return Draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygon({{6, 1}, {10, 1}, {10, 6}, {13, 6}, {8, 11}, {3, 6}, {6, 6}}));
            p.fillRect(2, 13, 12, 2, kGrey);
        });
    case 444: // advanced: sliders
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            for (int y : {3, 8, 13})
                p.drawLine(1, y, 15, y);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawRect(9, 1, 3, 4);
            p.drawRect(3, 6, 3, 4);
            p.drawRect(11, 11, 3, 4);
        });
    case 406: // scheduler: a clock
        return Draw([](QPainter& p) {
            p.setPen(QPen(kBlue, 1.5));
            p.setBrush(Qt::white);
            p.drawEllipse(2, 2, 12, 12);
            p.drawPolyline(QPolygon({{8, 4}, {8, 8}, {11, 8}}));
        });
    case 393: // speed limit: a limit sign
        return Draw([](QPainter& p) {
            p.setPen(QPen(kRed, 2));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 6, 6);
            p.fillRect(5, 7, 6, 2, kGrey);
        });
    case 473: // speed meter: a gauge
        return Draw([](QPainter& p) {
            p.setPen(QPen(kBlue, 1.5));
            p.drawArc(QRectF(1.5, 3.5, 13, 13), 0, 180 * 16);
            p.drawLine(QPointF(8, 10), QPointF(12, 5));
            p.setBrush(kBlue);
            p.drawEllipse(QPointF(8, 10), 1.5, 1.5);
        });
    default:
        return {};
    }
}

QPixmap Make(int resourceId)
{
    switch (resourceId) {
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
        return MakePageImage(resourceId);
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
