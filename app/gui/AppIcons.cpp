#include "app/gui/AppIcons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int kSize = 32;
const QColor kBody(30, 111, 217);
const QColor kProgress(255, 160, 0);

// A round badge with a downward arrow, the program's mark.
QPixmap Badge()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.drawEllipse(1, 1, kSize - 2, kSize - 2);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygon({{13, 7}, {19, 7}, {19, 16}, {24, 16}, {16, 25}, {8, 16}, {13, 16}}));
    return pixmap;
}

QPixmap Frame(int index)
{
    QPixmap pixmap = Badge();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kProgress, 3));
    const int fullCircle = 360 * 16;
    painter.drawArc(QRect(2, 2, kSize - 4, kSize - 4), fullCircle / 4, -(index + 1) * fullCircle / kTrayFrameCount);
    return pixmap;
}

QPixmap DataUsage()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(4, 18, 6, 10, kBody);
    painter.fillRect(13, 10, 6, 18, kBody);
    painter.fillRect(22, 4, 6, 24, kProgress);
    return pixmap;
}

// A page with a check mark.
QPixmap Checksum()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBody, 2));
    painter.setBrush(Qt::white);
    painter.drawRect(6, 2, 20, 28);
    painter.setPen(QPen(kProgress, 3));
    painter.drawPolyline(QPolygon({{10, 17}, {15, 22}, {23, 11}}));
    return pixmap;
}

// A clock face.
QPixmap History()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBody, 3));
    painter.setBrush(Qt::white);
    painter.drawEllipse(3, 3, kSize - 6, kSize - 6);
    painter.drawPolyline(QPolygon({{16, 8}, {16, 16}, {22, 20}}));
    return pixmap;
}

QIcon Draw(int resourceId)
{
    if (resourceId == IDR_MAINFRAME)
        return QIcon(Badge());
    if (resourceId == IDI_CHECKSUM)
        return QIcon(Checksum());
    if (resourceId == IDI_HISTORY)
        return QIcon(History());
    if (resourceId == IDI_DATA_USAGE)
        return QIcon(DataUsage());
    if (resourceId >= IDI_TRAY_FIRST_FRAME && resourceId < IDI_TRAY_FIRST_FRAME + kTrayFrameCount)
        return QIcon(Frame(resourceId - IDI_TRAY_FIRST_FRAME));
    return {};
}

} // namespace

QIcon AppIcon(int resourceId)
{
    static QHash<int, QIcon> cache;
    auto found = cache.find(resourceId);
    if (found == cache.end())
        found = cache.insert(resourceId, Draw(resourceId));
    return *found;
}
