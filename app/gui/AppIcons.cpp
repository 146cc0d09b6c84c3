#include "app/gui/AppIcons.h"

#include "app/gui/ArtColors.h"
#include "app/gui/Glyphs.h"

#include <QBuffer>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int kSize = 32;
constexpr int kSmallSize = 16;
const QColor kBody(30, 111, 217);
const QColor kProgress(255, 160, 0);
const QColor kPaperEdge(120, 120, 120);
const QColor kPaperFold(210, 210, 210);

// The downward arrow of the program's mark, in the 32-pixel grid.
QPolygon Arrow()
{
    return QPolygon({{13, 7}, {19, 7}, {19, 16}, {24, 16}, {16, 25}, {8, 16}, {13, 16}});
}

QPixmap Badge(int size = kSize)
{
    return QPixmap::fromImage(AppMarkIcon(size));
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

// The mark at the sizes it is asked for: windows, tray and the list's logo.
QIcon BadgeIcon()
{
    QIcon icon;
    for (int size : {16, kSize, 256})
        icon.addPixmap(Badge(size));
    return icon;
}

QPixmap SmallGlyph(Glyph glyph)
{
    QPixmap pixmap(kSmallSize, kSmallSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    PaintGlyph(painter, glyph);
    return pixmap;
}

// The status bar's pane icons.
QIcon PaneIcon(int resourceId)
{
    switch (resourceId) {
    case IDI_PANE_IDLE: return QIcon(SmallGlyph(Glyph::Pause));
    case IDI_PANE_QUEUED: return QIcon(SmallGlyph(Glyph::Queued));
    case IDI_PANE_RUNNING: return QIcon(SmallGlyph(Glyph::Downloading));
    case IDI_PANE_ALL_DONE: return QIcon(SmallGlyph(Glyph::AfterCompletion));
    case IDI_PANE_SCHEDULER: return QIcon(SmallGlyph(Glyph::Calendar));
    default: return {};
    }
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

// The badge with a sign in its lower right corner: plus (add) or a dot (properties).
QPixmap BadgeWith(bool plus)
{
    QPixmap pixmap = Badge();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kProgress);
    painter.drawEllipse(18, 18, 13, 13);
    painter.setBrush(Qt::white);
    if (plus) {
        painter.drawRect(23, 20, 3, 9);
        painter.drawRect(20, 23, 9, 3);
    } else {
        painter.drawEllipse(22, 22, 5, 5);
    }
    return pixmap;
}

// A globe: the address of a download.
QPixmap Globe()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBody, 2));
    painter.drawEllipse(3, 3, kSize - 6, kSize - 6);
    painter.drawEllipse(10, 3, kSize - 20, kSize - 6);
    painter.drawLine(3, kSize / 2, kSize - 3, kSize / 2);
    return pixmap;
}

// A plug: how a download connects.
QPixmap Plug()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(8, 10, 16, 12, kBody);
    painter.fillRect(11, 3, 3, 7, kBody);
    painter.fillRect(18, 3, 3, 7, kBody);
    painter.fillRect(14, 22, 4, 8, kProgress);
    return pixmap;
}

// A key: the server's user name and password.
QPixmap Key()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kProgress, 3));
    painter.drawEllipse(4, 4, 12, 12);
    painter.drawLine(14, 14, 28, 28);
    painter.drawLine(22, 22, 26, 18);
    return pixmap;
}

QIcon Draw(int resourceId)
{
    if (resourceId == IDR_MAINFRAME)
        return BadgeIcon();
    if (resourceId == IDI_CHECKSUM)
        return QIcon(Checksum());
    if (resourceId == IDI_HISTORY)
        return QIcon(History());
    if (resourceId == IDI_DATA_USAGE)
        return QIcon(DataUsage());
    if (resourceId == IDI_ADD_DOWNLOAD || resourceId == IDI_DOWNLOAD_PROPERTIES)
        return QIcon(BadgeWith(resourceId == IDI_ADD_DOWNLOAD));
    if (resourceId == IDI_DOWNLOAD_ADDRESS)
        return QIcon(Globe());
    if (resourceId == IDI_CONNECTION_TYPE)
        return QIcon(Plug());
    if (resourceId == IDI_AUTHORIZATION)
        return QIcon(Key());
    if (resourceId >= IDI_TRAY_FIRST_FRAME && resourceId < IDI_TRAY_FIRST_FRAME + kTrayFrameCount)
        return QIcon(Frame(resourceId - IDI_TRAY_FIRST_FRAME));
    return PaneIcon(resourceId);
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

// A round badge with a downward arrow, drawn on a 32 x 32 grid.
QImage AppMarkIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / kSize, qreal(size) / kSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.drawEllipse(1, 1, kSize - 2, kSize - 2);
    painter.setBrush(Qt::white);
    painter.drawPolygon(Arrow());
    return image;
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
    painter.setBrush(kArtPaper);
    painter.drawPolygon(QPolygonF({{5.5, 1.5}, {20.5, 1.5}, {27.5, 8.5}, {27.5, 30.5}, {5.5, 30.5}}));
    painter.setBrush(kPaperFold);
    painter.drawPolygon(QPolygonF({{20.5, 1.5}, {20.5, 8.5}, {27.5, 8.5}}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.translate(0, 3);
    painter.drawPolygon(Arrow());
    return image;
}

QByteArray PngData(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}
