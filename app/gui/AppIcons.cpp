#include "app/gui/AppIcons.h"

#include "app/gui/ArtColors.h"
#include "app/gui/Glyphs.h"

#include <QBuffer>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include <functional>

namespace {

// The grid the art is drawn on; the painter is scaled to the size asked for.
constexpr int kGrid = 32;
constexpr int kGlyphGrid = 16;
const QColor kBody(30, 111, 217);
const QColor kProgress(255, 160, 0);
const QColor kPaperEdge(120, 120, 120);
const QColor kPaperFold(210, 210, 210);

using Art = std::function<void(QPainter&)>;

QImage Render(const Art& art, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / kGrid, qreal(size) / kGrid);
    art(painter);
    return image;
}

QIcon AtEverySize(const Art& art)
{
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(Render(art, size)));
    return icon;
}

// The downward arrow of the program's mark.
QPolygon Arrow()
{
    return QPolygon({{13, 7}, {19, 7}, {19, 16}, {24, 16}, {16, 25}, {8, 16}, {13, 16}});
}

// The program's mark: a round badge with a downward arrow.
void PaintMark(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.drawEllipse(1, 1, kGrid - 2, kGrid - 2);
    painter.setBrush(Qt::white);
    painter.drawPolygon(Arrow());
}

// The mark with a progress arc that grows with the tray animation's frame.
void PaintFrame(QPainter& painter, int index)
{
    PaintMark(painter);
    painter.setPen(QPen(kProgress, 3));
    painter.setBrush(Qt::NoBrush);
    const int fullCircle = 360 * 16;
    painter.drawArc(QRect(2, 2, kGrid - 4, kGrid - 4), fullCircle / 4, -(index + 1) * fullCircle / kTrayFrameCount);
}

void PaintDataUsage(QPainter& painter)
{
    painter.fillRect(4, 18, 6, 10, kBody);
    painter.fillRect(13, 10, 6, 18, kBody);
    painter.fillRect(22, 4, 6, 24, kProgress);
}

// A page with a check mark.
void PaintChecksum(QPainter& painter)
{
    painter.setPen(QPen(kBody, 2));
    painter.setBrush(Qt::white);
    painter.drawRect(6, 2, 20, 28);
    painter.setPen(QPen(kProgress, 3));
    painter.drawPolyline(QPolygon({{10, 17}, {15, 22}, {23, 11}}));
}

// A clock face.
void PaintHistory(QPainter& painter)
{
    painter.setPen(QPen(kBody, 3));
    painter.setBrush(Qt::white);
    painter.drawEllipse(3, 3, kGrid - 6, kGrid - 6);
    painter.drawPolyline(QPolygon({{16, 8}, {16, 16}, {22, 20}}));
}

// The mark with a sign in its lower right corner: plus (add) or a dot (properties).
void PaintMarkWith(QPainter& painter, bool plus)
{
    PaintMark(painter);
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
}

// A globe: the address of a download.
void PaintGlobe(QPainter& painter)
{
    painter.setPen(QPen(kBody, 2));
    painter.drawEllipse(3, 3, kGrid - 6, kGrid - 6);
    painter.drawEllipse(10, 3, kGrid - 20, kGrid - 6);
    painter.drawLine(3, kGrid / 2, kGrid - 3, kGrid / 2);
}

// A plug: how a download connects.
void PaintPlug(QPainter& painter)
{
    painter.fillRect(8, 10, 16, 12, kBody);
    painter.fillRect(11, 3, 3, 7, kBody);
    painter.fillRect(18, 3, 3, 7, kBody);
    painter.fillRect(14, 22, 4, 8, kProgress);
}

// A key: the server's user name and password.
void PaintKey(QPainter& painter)
{
    painter.setPen(QPen(kProgress, 3));
    painter.drawEllipse(4, 4, 12, 12);
    painter.drawLine(14, 14, 28, 28);
    painter.drawLine(22, 22, 26, 18);
}

// A sheet with a folded corner, the mark's arrow on it.
void PaintDocument(QPainter& painter)
{
    painter.setPen(QPen(kPaperEdge, 1));
    painter.setBrush(kArtPaper);
    painter.drawPolygon(QPolygonF({{5.5, 1.5}, {20.5, 1.5}, {27.5, 8.5}, {27.5, 30.5}, {5.5, 30.5}}));
    painter.setBrush(kPaperFold);
    painter.drawPolygon(QPolygonF({{20.5, 1.5}, {20.5, 8.5}, {27.5, 8.5}}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBody);
    painter.translate(0, 3);
    painter.drawPolygon(Arrow());
}

Art GlyphArt(Glyph glyph)
{
    return [glyph](QPainter& painter) {
        painter.scale(qreal(kGrid) / kGlyphGrid, qreal(kGrid) / kGlyphGrid);
        PaintGlyph(painter, glyph);
    };
}

// The status bar's pane icons.
Art PaneArt(int resourceId)
{
    switch (resourceId) {
    case IDI_PANE_IDLE: return GlyphArt(Glyph::Pause);
    case IDI_PANE_QUEUED: return GlyphArt(Glyph::Queued);
    case IDI_PANE_RUNNING: return GlyphArt(Glyph::Downloading);
    case IDI_PANE_ALL_DONE: return GlyphArt(Glyph::AfterCompletion);
    case IDI_PANE_SCHEDULER: return GlyphArt(Glyph::Calendar);
    default: return {};
    }
}

Art ArtOf(int resourceId)
{
    switch (resourceId) {
    case IDR_MAINFRAME: return PaintMark;
    case IDI_CHECKSUM: return PaintChecksum;
    case IDI_HISTORY: return PaintHistory;
    case IDI_DATA_USAGE: return PaintDataUsage;
    case IDI_ADD_DOWNLOAD: return [](QPainter& painter) { PaintMarkWith(painter, true); };
    case IDI_DOWNLOAD_PROPERTIES: return [](QPainter& painter) { PaintMarkWith(painter, false); };
    case IDI_DOWNLOAD_ADDRESS: return PaintGlobe;
    case IDI_CONNECTION_TYPE: return PaintPlug;
    case IDI_AUTHORIZATION: return PaintKey;
    default: break;
    }
    const int frame = resourceId - IDI_TRAY_FIRST_FRAME;
    if (frame >= 0 && frame < kTrayFrameCount)
        return [frame](QPainter& painter) { PaintFrame(painter, frame); };
    return PaneArt(resourceId);
}

} // namespace

QIcon AppIcon(int resourceId)
{
    static QHash<int, QIcon> cache;
    auto found = cache.find(resourceId);
    if (found == cache.end()) {
        const Art art = ArtOf(resourceId);
        found = cache.insert(resourceId, art ? AtEverySize(art) : QIcon());
    }
    return *found;
}

QImage AppMarkIcon(int size)
{
    return Render(PaintMark, size);
}

QImage DocumentIcon(int size)
{
    return Render(PaintDocument, size);
}

QByteArray PngData(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}
