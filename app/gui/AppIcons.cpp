#include "app/gui/AppIcons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int kSize = 32;
const QColor kBody(30, 111, 217);
const QColor kProgress(255, 160, 0);
const QColor kPaper(250, 250, 250);
const QColor kPaperEdge(120, 120, 120);
const QColor kPaperFold(210, 210, 210);

// The downward arrow of the program's mark, in the 32-pixel grid.
QPolygon Arrow()
{
    return QPolygon({{13, 7}, {19, 7}, {19, 16}, {24, 16}, {16, 25}, {8, 16}, {13, 16}});
}

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
    painter.drawPolygon(Arrow());
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

QIcon Draw(int resourceId)
{
    if (resourceId == IDR_MAINFRAME)
        return QIcon(Badge());
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

QImage DocumentIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / kSize, qreal(size) / kSize);
    // A sheet with a folded corner, the mark's arrow on it.
    painter.setPen(QPen(kPaperEdge, 1));
    painter.setBrush(kPaper);
    painter.drawPolygon(QPolygonF({{5.5, 1.5}, {20.5, 1.5}, {27.5, 8.5}, {27.5, 30.5}, {5.5, 30.5}}));
    painter.setBrush(kPaperFold);
    painter.drawPolygon(QPolygonF({{20.5, 1.5}, {20.5, 8.5}, {27.5, 8.5}}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.translate(0, 3);
    painter.drawPolygon(Arrow());
    return image;
}
