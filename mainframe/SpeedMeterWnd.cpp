#include "mainframe/SpeedMeterWnd.h"

#include "app/SettingsTypes.h"
#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/ColorRef.h"
#include "app/gui/UIFont.h"
#include "platform/MulDiv.h"

#include <QPainter>
#include <QPolygon>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr QSize kMeterSize(180, 50);
constexpr int kNeedleTimerMs = 50;
constexpr int kBoldPoints = 8;
constexpr int kSmallPoints = 7;

constexpr int kGridCell = 14;
constexpr int kGridStepPerSample = 3;
constexpr int kGraphMargin = 2;
constexpr int kTextMargin = 4;
constexpr int kBarWidth = 2;
constexpr int kBarPitch = 3;

constexpr uint64_t kKilo = 1024;
constexpr uint64_t kMega = 1048576;
constexpr uint64_t kSmallStepBelow = 65536;
constexpr uint64_t kSmallStep = 5120;
constexpr uint64_t kMediumStepBelow = 1048576;
constexpr uint64_t kMediumStep = 51200;
constexpr uint64_t kLargeStep = 5242880;

constexpr uint64_t kMaxDeflection = 90;
constexpr float kShadowLag = 3.0f;
constexpr float kRadiansPerDegree = 0.0174532924f;
constexpr int kScaleInset = 15;
constexpr int kScaleShorter = 32;
constexpr int kTickCount = 5;
constexpr int kLabelChars = 16; // 15 and the terminator

constexpr uint32_t kNeedleColor = 0x3641C7;
constexpr uint32_t kLowBandColor = 0x241CED;
constexpr uint32_t kMiddleBandColor = 0x0EC9FF;
constexpr uint32_t kHighBandColor = 0x4CB122;

struct ThemeColors
{
    uint32_t background;
    uint32_t analogBackground;
    uint32_t border;
    uint32_t grid;
    uint32_t graphLine;
    uint32_t graphFill;
    uint32_t shadowNeedle;
    uint32_t text;
};

constexpr ThemeColors kDarkColors{0x5A5A5A, 0x5A5A5A, 0xBB7D11, 0x5F5F5F, 0xBB7D11, 0xF2C577, 0x3C3C3C, 0xFAFAFA};
constexpr ThemeColors kLightColors{0xFFFFFF, 0xEBFFFF, 0xBB7D11, 0xF2F2F2, 0xBB7D11, 0xF2C577, 0xD2DCDC, 0x141414};

void Fill(QPainter& painter, int x, int y, int width, int height, uint32_t colorRef)
{
    painter.fillRect(QRect(x, y, width, height), ColorFromColorRef(colorRef));
}

// number x numerator / denominator rounded half up, exact in 64 bits; 0 for a
// zero denominator.
int64_t ScaleRounded(uint64_t number, uint64_t numerator, uint64_t denominator)
{
    if (denominator == 0)
        return 0;
    return int64_t((number * numerator + denominator / 2) / denominator);
}

// The exclusive right and bottom edges.
int RightOf(const QRect& rect)
{
    return rect.left() + rect.width();
}

int BottomOf(const QRect& rect)
{
    return rect.top() + rect.height();
}

QString TickLabel(double value, bool last)
{
    char text[kLabelChars];
    std::snprintf(text, sizeof text, value == std::floor(value) ? "%.0f" : "%.1f", value);
    return QString::fromLatin1(text) + (last ? QStringLiteral("+") : QString());
}

} // namespace

CSpeedMeterWnd::CSpeedMeterWnd(QWidget* parent)
    : QWidget(parent), m_fontBold(CreateUIFont(kBoldPoints, true)), m_fontSmall(CreateUIFont(kSmallPoints, false))
{
    setFixedSize(kMeterSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    m_timerNeedle.setInterval(kNeedleTimerMs);
    connect(&m_timerNeedle, &QTimer::timeout, this, &CSpeedMeterWnd::OnTimer);
    SetTheme(MeterThemeDark);
}

void CSpeedMeterWnd::SetTheme(int32_t theme)
{
    m_nTheme = theme;
    const ThemeColors& colors = theme == MeterThemeLight ? kLightColors : kDarkColors;
    m_clrBackground = m_nStyle == MeterStyleAnalog ? colors.analogBackground : colors.background;
    m_clrBorder = colors.border;
    m_clrGrid = colors.grid;
    m_clrGraphLine = colors.graphLine;
    m_clrGraphFill = colors.graphFill;
    m_clrShadowNeedle = colors.shadowNeedle;
    m_clrText = colors.text;
    repaint();
}

void CSpeedMeterWnd::SetStyle(int32_t style)
{
    m_nStyle = style;
    if (style == MeterStyleAnalog) {
        const CAppSettings& settings = AppCore().m_settings;
        if (SettingLoad(settings.SpeedMeterFixedMax))
            m_nScaleMax = ScaleFor(0, true, SettingLoad(settings.SpeedMeterMax));
        m_timerNeedle.start();
    } else {
        m_timerNeedle.stop();
    }
    SetTheme(m_nTheme);
}

uint64_t CSpeedMeterWnd::ScaleFor(uint64_t largest, bool fixedMax, int32_t fixedValue)
{
    if (fixedMax) // a hand-edited value below 1 would stop the needle or divide by 0
        return uint64_t(fixedValue >= 1 ? fixedValue : g_defaultSettings.SpeedMeterMax);
    const uint64_t step = largest < kSmallStepBelow    ? kSmallStep
                          : largest < kMediumStepBelow ? kMediumStep
                                                       : kLargeStep;
    return largest + step - (largest + step) % step;
}

float CSpeedMeterWnd::TargetAngleFor(uint64_t speed, uint64_t scale)
{
    if (scale == 0)
        return kNeedleRestAngle;
    return kNeedleRestAngle - float(std::min(kMaxDeflection, speed * kMaxDeflection / scale));
}

float CSpeedMeterWnd::StepNeedle(float angle, float target)
{
    return angle < target ? std::min(angle + 1.0f, target) : std::max(angle - 1.0f, target);
}

void CSpeedMeterWnd::AddSample(uint32_t bytesPerSecond)
{
    uint64_t largest = bytesPerSecond;
    if (m_nStyle != MeterStyleAnalog) {
        std::copy(m_arrSamples.begin() + 1, m_arrSamples.end(), m_arrSamples.begin());
        m_arrSamples.back() = bytesPerSecond;
        largest = *std::max_element(m_arrSamples.begin(), m_arrSamples.end());
        // Wrapped here, not when painting, so that the grid follows the samples
        // however many paints there were.
        m_nGridOffset += kGridStepPerSample;
        if (m_nGridOffset >= kGridCell)
            m_nGridOffset = 0;
    }
    const CAppSettings& settings = AppCore().m_settings;
    m_nScaleMax = ScaleFor(largest, SettingLoad(settings.SpeedMeterFixedMax) != 0, SettingLoad(settings.SpeedMeterMax));
    if (m_nStyle == MeterStyleAnalog)
        m_fTargetAngle = TargetAngleFor(bytesPerSecond, m_nScaleMax);
    repaint();
}

void CSpeedMeterWnd::OnTimer()
{
    if (m_fNeedleAngle == m_fTargetAngle)
        return;
    m_fNeedleAngle = StepNeedle(m_fNeedleAngle, m_fTargetAngle);
    repaint();
}

void CSpeedMeterWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_nStyle == MeterStyleAnalog)
        DrawAnalog(painter, rect());
    else
        DrawGraph(painter, rect());
}

void CSpeedMeterWnd::DrawGraph(QPainter& painter, const QRect& bounds) const
{
    const int left = bounds.left();
    const int top = bounds.top();
    const int width = bounds.width();
    const int height = bounds.height();
    const int right = RightOf(bounds);
    const int bottom = BottomOf(bounds);
    Fill(painter, left, top, width, height, m_clrBackground);
    Fill(painter, left, top, width, 1, m_clrBorder);
    Fill(painter, left, bottom - 1, width, 1, m_clrBorder);
    Fill(painter, left, top, 1, height, m_clrBorder);
    Fill(painter, right - 1, top, 1, height, m_clrBorder);

    for (int k = kGridCell; k < width + kGridCell; k += kGridCell) {
        const int x = left - m_nGridOffset + k + 1;
        if (x + 1 < right)
            Fill(painter, x, top + 1, 1, height - 2, m_clrGrid);
    }
    for (int k = kGridCell; k < height; k += kGridCell) {
        const int y = top + k + 1;
        if (y + 1 < bottom)
            Fill(painter, left + 1, y, width - 2, 1, m_clrGrid);
    }

    DrawGraphSamples(painter, bounds.adjusted(kGraphMargin, kGraphMargin, -kGraphMargin, -kGraphMargin));

    painter.setFont(m_fontBold);
    painter.setPen(ColorFromColorRef(m_clrText));
    painter.drawText(bounds.adjusted(kTextMargin, 0, -kTextMargin, 0),
                     Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                     FormatByteSize(m_nScaleMax, false) + QStringLiteral("/s"));
}

int CSpeedMeterWnd::SampleTop(const QRect& graph, uint32_t sample) const
{
    const int64_t bottom = BottomOf(graph);
    const int64_t top = bottom - ScaleRounded(uint64_t(graph.height()), sample, m_nScaleMax);
    // At least one pixel for every sample, and never above the graph: a speed
    // beyond a fixed maximum would cover the border and the label.
    return int(std::clamp(top, int64_t(graph.top()), bottom - 1));
}

void CSpeedMeterWnd::DrawGraphSamples(QPainter& painter, const QRect& graph) const
{
    const int right = RightOf(graph);
    const int bottom = BottomOf(graph);
    if (m_nStyle == MeterStyleArea) {
        QPolygon polygon;
        for (int i = 0; i < kSampleCount; ++i)
            polygon << QPoint(graph.left() + MulDiv(i, graph.width() - 1, kSampleCount - 1),
                              SampleTop(graph, m_arrSamples[size_t(i)]));
        polygon << QPoint(right - 1, bottom - 1) << QPoint(graph.left(), bottom - 1);
        painter.setBrush(ColorFromColorRef(m_clrGraphFill));
        painter.setPen(QPen(ColorFromColorRef(m_clrGraphLine), 0));
        painter.drawPolygon(polygon);
        return;
    }
    for (int i = 0; i < kSampleCount; ++i) {
        const int x = graph.left() + kBarPitch * i;
        if (x + kBarWidth > right)
            break;
        const int top = SampleTop(graph, m_arrSamples[size_t(i)]);
        Fill(painter, x, top, kBarWidth, bottom - top, m_clrGraphFill);
    }
}

void CSpeedMeterWnd::DrawAnalog(QPainter& painter, const QRect& bounds) const
{
    Fill(painter, bounds.left(), bounds.top(), bounds.width(), bounds.height(), m_clrBackground);
    const QRect gauge = bounds.adjusted(kGraphMargin, kGraphMargin, -kGraphMargin, -kGraphMargin);
    const int x0 = gauge.left() + kScaleInset;
    const int y0 = gauge.top() + kScaleInset;
    const int length = gauge.width() - kScaleShorter;
    const int quarter = length / 4;

    DrawNeedle(painter, gauge, m_clrShadowNeedle, m_fNeedleAngle - kShadowLag);
    Fill(painter, x0, y0, length, 1, m_clrText);
    DrawAnalogScale(painter, x0, y0, length);

    painter.setFont(m_fontBold);
    painter.setPen(ColorFromColorRef(m_clrText));
    painter.drawText(QRect(gauge.left(), y0, gauge.width(), BottomOf(gauge) - y0),
                     Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     m_nScaleMax >= kMega ? QStringLiteral("MB/s") : QStringLiteral("KB/s"));

    const int half = quarter / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromColorRef(kLowBandColor));
    painter.drawPolygon(QPolygon({QPoint(x0, y0 + 2), QPoint(x0 + half, y0 + 2), QPoint(x0 + half, y0 + 6),
                                  QPoint(x0 + 4, y0 + 6)}));
    Fill(painter, x0 + half + 2, y0 + 2, quarter, 4, kMiddleBandColor);
    const int highLeft = x0 + half + quarter + 4;
    painter.setBrush(ColorFromColorRef(kHighBandColor));
    painter.drawPolygon(QPolygon({QPoint(highLeft, y0 + 2), QPoint(x0 + length, y0 + 2),
                                  QPoint(x0 + length - 4, y0 + 6), QPoint(highLeft, y0 + 6)}));

    DrawNeedle(painter, gauge, kNeedleColor, m_fNeedleAngle);
    qDrawWinPanel(&painter, bounds, palette(), true);
}

void CSpeedMeterWnd::DrawAnalogScale(QPainter& painter, int x0, int y0, int length) const
{
    painter.setFont(m_fontSmall);
    painter.setPen(ColorFromColorRef(m_clrText));
    const QFontMetrics metrics(m_fontSmall);
    const int charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    const int charHeight = metrics.height();
    const uint64_t base = m_nScaleMax >= kMega ? m_nScaleMax / kMega : m_nScaleMax / kKilo;
    const double step = double(base) * 0.25;
    const int quarter = length / 4;
    for (int i = 0; i < kTickCount; ++i) {
        const bool last = i == kTickCount - 1;
        const int x = last ? x0 + length - 1 : x0 + i * quarter;
        Fill(painter, x, y0 - 2, 1, 3, m_clrText);
        const QString label = TickLabel(i * step, last);
        const int labelLeft = x - int(label.size()) * charWidth / 2;
        painter.drawText(QRect(labelLeft, y0 - charHeight - 2, int(label.size()) * charWidth, charHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, label);
    }
}

void CSpeedMeterWnd::DrawNeedle(QPainter& painter, const QRect& bounds, uint32_t colorRef, float angle) const
{
    // The centre lies below the window, at (c, c) from the window's corner; in
    // single precision, truncated toward zero, so the pixels are those the
    // gauge was drawn with.
    const int centre = bounds.width() / 2 + 1;
    const int height = bounds.height();
    const float radians = -angle * kRadiansPerDegree;
    const float cosine = std::cos(radians);
    const float sine = std::sin(radians);
    const auto at = [&](int radius) {
        return QPoint(int(float(centre) + float(radius) * cosine), int(float(centre) + float(radius) * sine));
    };
    painter.setPen(QPen(ColorFromColorRef(colorRef), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(at(centre - height), at(centre - 4));
}
