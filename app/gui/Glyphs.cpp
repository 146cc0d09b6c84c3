#include "app/gui/Glyphs.h"

#include "app/gui/ArtColors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace {

const QColor kGrey(96, 96, 96);
const QColor kFolder(240, 190, 60);

void Fill(QPainter& p, const QPolygonF& shape, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(shape);
}

void Stroke(QPainter& p, const QColor& color, qreal width)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

void Play(QPainter& p, qreal x, qreal scale = 1.0)
{
    Fill(p, QPolygonF({{x, 8 - 6 * scale}, {x + 9 * scale, 8}, {x, 8 + 6 * scale}}), kArtGreen);
}

void Bars(QPainter& p, qreal x, qreal width, qreal gap)
{
    p.fillRect(QRectF(x, 2, width, 12), kArtBlue);
    p.fillRect(QRectF(x + width + gap, 2, width, 12), kArtBlue);
}

void Cross(QPainter& p, const QRectF& box, const QColor& color)
{
    Stroke(p, color, 2.5);
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

void Page(QPainter& p, const QRectF& box)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(kArtPaper);
    p.drawRect(box);
}

void Lines(QPainter& p, const QRectF& box)
{
    p.setPen(QPen(kGrey, 1));
    for (qreal y = box.top() + 3; y < box.bottom() - 1; y += 3)
        p.drawLine(QPointF(box.left() + 2, y), QPointF(box.right() - 2, y));
}

void Calendar(QPainter& p)
{
    p.setPen(kArtPurple);
    p.setBrush(kArtPaper);
    p.drawRect(QRectF(1.5, 2.5, 12, 11));
    p.fillRect(QRectF(1.5, 2.5, 12.5, 3), kArtPurple);
}

void Badge(QPainter& p, const QColor& color, bool plus)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(8, 8, 8, 8));
    Stroke(p, Qt::white, 1.5);
    p.drawLine(QPointF(10, 12), QPointF(14, 12));
    if (plus)
        p.drawLine(QPointF(12, 10), QPointF(12, 14));
}

void Arrow(QPainter& p, bool up, const QColor& color)
{
    const qreal tip = up ? 2 : 14;
    Fill(p, QPolygonF({{8, tip}, {14, 8}, {2, 8}}), color);
    p.fillRect(QRectF(5.5, up ? 8 : 2, 5, 6), color);
}

void Clock(QPainter& p, const QColor& color)
{
    p.setPen(QPen(color, 1.5));
    p.setBrush(kArtPaper);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawPolyline(QPolygonF({{8, 4}, {8, 8}, {11, 10}}));
}

void Folder(QPainter& p)
{
    Fill(p, QPolygonF({{1, 3}, {6, 3}, {7.5, 5}, {15, 5}, {15, 14}, {1, 14}}), kFolder);
}

void SideArrow(QPainter& p, bool right, const QColor& color)
{
    const qreal x0 = right ? 8 : 15;
    const qreal x1 = right ? 15 : 8;
    Fill(p, QPolygonF({{x1, 11}, {(x0 + x1) / 2, 7.5}, {(x0 + x1) / 2, 14.5}}), color);
    p.fillRect(QRectF(std::min(x0, (x0 + x1) / 2), 10, 3.5, 2), color);
}

void Gear(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * tooth);
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.restore();
    }
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setBrush(kArtPaper);
    p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
}

void Globe(QPainter& p)
{
    p.setPen(QPen(kArtBlue, 1.2));
    p.setBrush(QColor(220, 236, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
}

void Chart(QPainter& p)
{
    p.fillRect(QRectF(2, 9, 3, 6), kArtBlue);
    p.fillRect(QRectF(6.5, 5, 3, 10), kArtBlue);
    p.fillRect(QRectF(11, 2, 3, 13), kArtAmber);
}

void Hash(QPainter& p)
{
    Stroke(p, kArtPurple, 1.6);
    p.drawLine(QPointF(6, 2), QPointF(4.5, 14));
    p.drawLine(QPointF(11.5, 2), QPointF(10, 14));
    p.drawLine(QPointF(2, 6), QPointF(14, 6));
    p.drawLine(QPointF(2, 10.5), QPointF(14, 10.5));
}

void Eye(QPainter& p)
{
    QPainterPath lens;
    lens.moveTo(1, 8);
    lens.quadTo(8, 0, 15, 8);
    lens.quadTo(8, 16, 1, 8);
    p.setPen(QPen(kArtBlue, 1.2));
    p.setBrush(kArtPaper);
    p.drawPath(lens);
    p.setBrush(kArtBlue);
    p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
}

void Power(QPainter& p)
{
    Stroke(p, kArtRed, 2);
    p.drawArc(QRectF(2.5, 3, 11, 11), 120 * 16, 300 * 16);
    p.drawLine(QPointF(8, 1.5), QPointF(8, 7.5));
}

void DownArrow(QPainter& p)
{
    Arrow(p, false, kArtGreen);
    p.fillRect(QRectF(2, 14.5, 12, 1.5), kGrey);
}

void MoveToEdge(QPainter& p, bool top)
{
    Arrow(p, top, kArtBlue);
    p.fillRect(QRectF(2, top ? 0.5 : 14, 12, 1.5), kGrey);
}

void PaintDocuments(QPainter& p, Glyph glyph)
{
    switch (glyph) {
    case Glyph::Properties:
        Page(p, QRectF(2.5, 1.5, 11, 13));
        Lines(p, QRectF(2.5, 1.5, 11, 13));
        break;
    case Glyph::CopyUrl:
        Page(p, QRectF(1.5, 1.5, 8, 10));
        Page(p, QRectF(6.5, 4.5, 8, 10));
        Lines(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case Glyph::OpenFile:
        Page(p, QRectF(2.5, 1.5, 9, 12));
        SideArrow(p, true, kArtGreen);
        break;
    case Glyph::ExportList:
        Page(p, QRectF(1.5, 1.5, 9, 12));
        Lines(p, QRectF(1.5, 1.5, 9, 12));
        SideArrow(p, true, kArtGreen);
        break;
    case Glyph::ImportList:
        Page(p, QRectF(1.5, 1.5, 9, 12));
        Lines(p, QRectF(1.5, 1.5, 9, 12));
        SideArrow(p, false, kArtBlue);
        break;
    default: // ImportUnfinished
        Page(p, QRectF(1.5, 1.5, 10, 13));
        p.fillRect(QRectF(3, 10, 4, 2.5), kArtGreen);
        p.fillRect(QRectF(7, 10, 3, 2.5), QColor(200, 200, 200));
        SideArrow(p, false, kArtBlue);
        break;
    }
}

void PaintSchedule(QPainter& p, Glyph glyph)
{
    switch (glyph) {
    case Glyph::Scheduler:
        Clock(p, kArtPurple);
        break;
    case Glyph::History:
        Clock(p, kArtBlue);
        Fill(p, QPolygonF({{0.5, 4}, {5, 4}, {0.5, 8.5}}), kArtBlue);
        break;
    case Glyph::Queued:
        Clock(p, kArtAmber);
        break;
    case Glyph::Calendar:
        Calendar(p);
        break;
    case Glyph::ScheduleAdd:
        Calendar(p);
        Badge(p, kArtGreen, true);
        break;
    case Glyph::ScheduleRemove:
        Calendar(p);
        Badge(p, kArtRed, false);
        break;
    default: // ScheduleToggle
        Calendar(p);
        Stroke(p, kArtGreen, 1.5);
        p.drawArc(QRectF(7, 7, 8, 8), 0, 270 * 16);
        break;
    }
}

bool PaintTransfer(QPainter& p, Glyph glyph)
{
    switch (glyph) {
    case Glyph::Add:
        p.fillRect(QRectF(6.5, 2, 3, 12), kArtGreen);
        p.fillRect(QRectF(2, 6.5, 12, 3), kArtGreen);
        return true;
    case Glyph::Start: Play(p, 4); return true;
    case Glyph::Pause: Bars(p, 4, 3, 2); return true;
    case Glyph::Delete: Cross(p, QRectF(4, 4, 8, 8), kArtRed); return true;
    case Glyph::StartAll:
        Play(p, 1, 0.8);
        Play(p, 8, 0.8);
        return true;
    case Glyph::PauseAll:
        Bars(p, 1, 2.5, 1.5);
        Bars(p, 9, 2.5, 1.5);
        return true;
    case Glyph::RemoveCompleted:
        Stroke(p, kArtGreen, 2);
        p.drawPolyline(QPolygonF({{1.5, 7}, {4.5, 10}, {9, 3}}));
        Cross(p, QRectF(9, 9, 5, 5), kArtRed);
        return true;
    case Glyph::Downloading: DownArrow(p); return true;
    default: return false;
    }
}

bool PaintPlaces(QPainter& p, Glyph glyph)
{
    switch (glyph) {
    case Glyph::OpenInBrowser: Globe(p); return true;
    case Glyph::OpenLocation: Folder(p); return true;
    case Glyph::MoveUp: Arrow(p, true, kArtBlue); return true;
    case Glyph::MoveDown: Arrow(p, false, kArtBlue); return true;
    case Glyph::MoveToTop: MoveToEdge(p, true); return true;
    case Glyph::MoveToBottom: MoveToEdge(p, false); return true;
    case Glyph::DataUsage: Chart(p); return true;
    case Glyph::Options: Gear(p); return true;
    case Glyph::Checksum: Hash(p); return true;
    case Glyph::UrlMonitor: Eye(p); return true;
    case Glyph::AfterCompletion: Power(p); return true;
    default: return false;
    }
}

} // namespace

void PaintGlyph(QPainter& painter, Glyph glyph)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!PaintTransfer(painter, glyph) && !PaintPlaces(painter, glyph)) {
        switch (glyph) {
        case Glyph::Scheduler:
        case Glyph::History:
        case Glyph::Queued:
        case Glyph::Calendar:
        case Glyph::ScheduleAdd:
        case Glyph::ScheduleRemove:
        case Glyph::ScheduleToggle:
            PaintSchedule(painter, glyph);
            break;
        default:
            PaintDocuments(painter, glyph);
            break;
        }
    }
    painter.restore();
}

void PaintSpeedGlyph(QPainter& painter, int mode)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kGrey, 1.2));
    painter.setBrush(kArtPaper);
    painter.drawPie(QRectF(1, 3, 14, 14), 0, 180 * 16);
    // Unlimited points right, low points left.
    const double angle = std::numbers::pi * (mode + 0.5) / 4.0;
    Stroke(painter, mode == 0 ? kArtGreen : kArtRed, 1.6);
    painter.drawLine(QPointF(8, 10), QPointF(8 + 6 * std::cos(angle), 10 - 6 * std::sin(angle)));
    painter.restore();
}

void PaintCountGlyph(QPainter& painter, int count)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kArtBlue, 1.2));
    painter.setBrush(kArtPaper);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QString::number(count));
    painter.restore();
}
