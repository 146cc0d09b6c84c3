#include "app/gui/AppBitmaps.h"

#include "app/gui/AppIcons.h"
#include "app/gui/ArtColors.h"
#include "app/gui/Glyphs.h"

#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <functional>

namespace {

constexpr int kSize = 16;
const QColor kGrey(128, 128, 128);

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

QPixmap MakeOther(int resourceId);

// The About box's tall logo: a downward arrow over a bar, on the program's blue.
QPixmap AboutLogo()
{
    constexpr QSize kLogoSize(42, 138);
    QPixmap pixmap(kLogoSize);
    pixmap.fill(kArtBlue);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygon({{15, 20}, {27, 20}, {27, 62}, {36, 62}, {21, 84}, {6, 62}, {15, 62}}));
    painter.fillRect(6, 96, 30, 6, kArtAmber);
    return pixmap;
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
            p.setPen(QPen(kArtBlue, 1.5));
            QPainterPath eye;
            eye.moveTo(1, 8);
            eye.quadTo(8, 1, 15, 8);
            eye.quadTo(8, 15, 1, 8);
            p.drawPath(eye);
            p.setBrush(kArtBlue);
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
            p.setPen(QPen(kArtGreen, 1.5));
            p.drawLine(4, 12, 12, 4);
            p.setBrush(kArtGreen);
            p.drawEllipse(QPointF(4, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(12, 4), 2.5, 2.5);
        });
    case 391: // proxy: a server passing the line on
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            p.setBrush(Qt::white);
            p.drawRect(4, 1, 8, 14);
            p.setPen(QPen(kArtGreen, 1.5));
            p.drawLine(0, 8, 16, 8);
        });
    case 440: // security: a shield
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtBlue, 1));
            p.setBrush(kArtBlue.lighter(150));
            p.drawPolygon(QPolygon({{8, 1}, {14, 3}, {13, 10}, {8, 15}, {3, 10}, {2, 3}}));
        });
    case 392: // downloads: an arrow down to a tray
        return Draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kArtGreen);
            p.drawPolygon(QPolygon({{6, 1}, {10, 1}, {10, 6}, {13, 6}, {8, 11}, {3, 6}, {6, 6}}));
            p.fillRect(2, 13, 12, 2, kGrey);
        });
    case 444: // advanced: sliders
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            for (int y : {3, 8, 13})
                p.drawLine(1, y, 15, y);
            p.setPen(Qt::NoPen);
            p.setBrush(kArtBlue);
            p.drawRect(9, 1, 3, 4);
            p.drawRect(3, 6, 3, 4);
            p.drawRect(11, 11, 3, 4);
        });
    case 406: // scheduler: a clock
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtBlue, 1.5));
            p.setBrush(Qt::white);
            p.drawEllipse(2, 2, 12, 12);
            p.drawPolyline(QPolygon({{8, 4}, {8, 8}, {11, 8}}));
        });
    case 393: // speed limit: a limit sign
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtRed, 2));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 6, 6);
            p.fillRect(5, 7, 6, 2, kGrey);
        });
    case 473: // speed meter: a gauge
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtBlue, 1.5));
            p.drawArc(QRectF(1.5, 3.5, 13, 13), 0, 180 * 16);
            p.drawLine(QPointF(8, 10), QPointF(12, 5));
            p.setBrush(kArtBlue);
            p.drawEllipse(QPointF(8, 10), 1.5, 1.5);
        });
    default:
        return {};
    }
}

QPixmap Make(int resourceId)
{
    switch (resourceId) {
    case IDB_ABOUT_LOGO:
        return AboutLogo();
    case 325: // new or prepared: an empty page
        return Draw([](QPainter& p) {
            p.setPen(kGrey);
            p.setBrush(Qt::white);
            p.drawRect(3, 1, 10, 13);
        });
    case 328: // running
        return Play(kArtGreen);
    case 431: // running after errors
        return Play(kArtAmber);
    case 326: // paused
        return Draw([](QPainter& p) {
            p.fillRect(4, 2, 3, 12, kArtBlue);
            p.fillRect(9, 2, 3, 12, kArtBlue);
        });
    case 327: // queued: a clock
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtAmber, 1.5));
            p.drawEllipse(2, 2, 12, 12);
            p.drawPolyline(QPolygon({{8, 4}, {8, 8}, {11, 10}}));
        });
    case 324: // failed
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtRed, 2.5));
            p.drawLine(4, 4, 12, 12);
            p.drawLine(12, 4, 4, 12);
        });
    case 323: // completed
        return Draw([](QPainter& p) {
            p.setPen(QPen(kArtGreen, 2.5));
            p.drawPolyline(QPolygon({{3, 8}, {7, 12}, {13, 4}}));
        });
    case 413: // scheduled: a calendar
        return Draw([](QPainter& p) {
            p.setPen(kArtPurple);
            p.setBrush(Qt::white);
            p.drawRect(2, 3, 12, 11);
            p.fillRect(2, 3, 13, 3, kArtPurple);
        });
    default:
        return MakeOther(resourceId);
    }
}

// The menu images: 328 and 326 are the running and paused state images.
const QHash<int, Glyph> kMenuGlyphs = {
    {399, Glyph::ExportList},   {400, Glyph::ImportList},     {395, Glyph::ImportUnfinished},
    {344, Glyph::Add},          {343, Glyph::Delete},         {437, Glyph::Checksum},
    {370, Glyph::Properties},   {409, Glyph::ScheduleAdd},    {410, Glyph::ScheduleRemove},
    {345, Glyph::CopyUrl},      {433, Glyph::OpenInBrowser},  {346, Glyph::OpenLocation},
    {432, Glyph::OpenFile},     {404, Glyph::MoveUp},         {401, Glyph::MoveDown},
    {403, Glyph::MoveToTop},    {402, Glyph::MoveToBottom},   {351, Glyph::StartAll},
    {349, Glyph::PauseAll},     {350, Glyph::RemoveCompleted}, {406, Glyph::Scheduler},
    {442, Glyph::DataUsage},    {347, Glyph::Options},
};

// The tool bar's images in strip order; 7 to 10 and 11 to 18 are drawn apart.
constexpr int kFirstSpeedImage = 7;
constexpr int kFirstCountImage = 11;
constexpr int kLastCountImage = 18;
const Glyph kStripGlyphs[] = {
    Glyph::Add, Glyph::Start, Glyph::Pause, Glyph::Delete, Glyph::StartAll, Glyph::PauseAll,
    Glyph::RemoveCompleted,
    Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add,                                         // speed modes
    Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add, Glyph::Add, // limits
    Glyph::Scheduler, Glyph::ScheduleToggle, Glyph::MoveUp, Glyph::MoveDown, Glyph::MoveToTop,
    Glyph::MoveToBottom, Glyph::Options, Glyph::UrlMonitor, Glyph::History, Glyph::Properties,
    Glyph::CopyUrl, Glyph::OpenInBrowser, Glyph::OpenLocation, Glyph::OpenFile, Glyph::Checksum,
    Glyph::DataUsage,
};
static_assert(std::size(kStripGlyphs) == kToolBarImageCount);

void PaintStripImage(QPainter& painter, int index)
{
    if (index >= kFirstSpeedImage && index < kFirstCountImage)
        PaintSpeedGlyph(painter, index - kFirstSpeedImage);
    else if (index >= kFirstCountImage && index <= kLastCountImage)
        PaintCountGlyph(painter, index - kFirstCountImage + 1);
    else
        PaintGlyph(painter, kStripGlyphs[index]);
}

QPixmap Strip(bool hot)
{
    QPixmap strip(kToolBarImageSize * kToolBarImageCount, kToolBarImageSize);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    const qreal scale = qreal(kToolBarImageSize) / kSize;
    for (int index = 0; index < kToolBarImageCount; ++index) {
        painter.save();
        painter.translate(index * kToolBarImageSize, 0);
        painter.scale(scale, scale);
        PaintStripImage(painter, index);
        painter.restore();
    }
    if (hot) { // lighter, over the drawn pixels only
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(strip.rect(), QColor(255, 255, 255, 70));
    }
    return strip;
}

QPixmap Logo()
{
    constexpr int kLogoSize = 256;
    return AppIcon(IDR_MAINFRAME).pixmap(kLogoSize, kLogoSize);
}

QPixmap MakeOther(int resourceId)
{
    if (resourceId == IDB_TOOLBAR || resourceId == IDB_TOOLBAR_HOT)
        return Strip(resourceId == IDB_TOOLBAR_HOT);
    if (resourceId == IDB_LOGO)
        return Logo();
    const auto glyph = kMenuGlyphs.constFind(resourceId);
    if (glyph == kMenuGlyphs.cend())
        return MakePageImage(resourceId);
    return Draw([&](QPainter& p) { PaintGlyph(p, *glyph); });
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
