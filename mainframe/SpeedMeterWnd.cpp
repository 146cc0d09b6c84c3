#include "mainframe/SpeedMeterWnd.h"

#include "app/TextFormat.h"

#include <QPainter>

namespace {

constexpr QSize kMeterSize(180, 50);

} // namespace

CSpeedMeterWnd::CSpeedMeterWnd(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kMeterSize);
}

void CSpeedMeterWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(Qt::green);
    painter.drawText(rect(), Qt::AlignCenter, FormatByteSize(m_nLastSample, false) + QStringLiteral("/s"));
}
