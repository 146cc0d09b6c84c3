#pragma once

#include <QFont>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

class QPainter;

// The speed meter band: the total download speed as a scrolling bar graph, a
// scrolling area graph or an analog gauge, each in a dark or a light theme. The
// frame's refresh tick feeds one sample every 300 ms; in the analog style a
// timer of its own turns the needle one degree per 50 ms toward the sample's
// angle. Painting uses integer pixel geometry without antialiasing.
class CSpeedMeterWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSampleCount = 60;
    static constexpr float kNeedleRestAngle = 135.0f; // 0 bytes per second

    explicit CSpeedMeterWnd(QWidget* parent = nullptr);

    // MeterTheme / MeterStyle values.
    void SetTheme(int32_t theme);
    void SetStyle(int32_t style);
    void AddSample(uint32_t bytesPerSecond);
    // One step of the needle timer: one degree toward the target.
    void OnTimer();

    // The scale for the largest sample: the fixed maximum when it is set (a
    // stored value below 1 falls back to the default), else the next multiple of
    // the step strictly above it.
    static uint64_t ScaleFor(uint64_t largest, bool fixedMax, int32_t fixedValue);
    // 135 degrees at 0, down to 45 at the scale and beyond; 135 for a scale of 0.
    static float TargetAngleFor(uint64_t speed, uint64_t scale);
    // The needle one degree nearer the target, never past it.
    static float StepNeedle(float angle, float target);

    uint64_t scaleMax() const { return m_nScaleMax; }
    float needleAngle() const { return m_fNeedleAngle; }
    float targetAngle() const { return m_fTargetAngle; }
    int32_t gridOffset() const { return m_nGridOffset; }
    const std::array<uint32_t, kSampleCount>& samples() const { return m_arrSamples; }
    bool IsNeedleTimerActive() const { return m_timerNeedle.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawGraph(QPainter& painter, const QRect& bounds) const;
    void DrawGraphSamples(QPainter& painter, const QRect& graph) const;
    void DrawAnalog(QPainter& painter, const QRect& bounds) const;
    void DrawAnalogScale(QPainter& painter, int x0, int y0, int length) const;
    void DrawNeedle(QPainter& painter, const QRect& bounds, uint32_t colorRef, float angle) const;
    // The top of sample s in the graph, between graph's top and its last row.
    int SampleTop(const QRect& graph, uint32_t sample) const;

    QFont m_fontBold;
    QFont m_fontSmall;
    int32_t m_nTheme = 0;
    int32_t m_nStyle = 0;
    int32_t m_nGridOffset = 0;
    uint32_t m_clrBackground = 0;
    uint32_t m_clrBorder = 0;
    uint32_t m_clrGrid = 0;
    uint32_t m_clrGraphLine = 0;
    uint32_t m_clrGraphFill = 0;
    uint32_t m_clrShadowNeedle = 0;
    uint32_t m_clrText = 0;
    uint64_t m_nScaleMax = 0; // 64 bits: rounding up near 2^32 must not wrap
    std::array<uint32_t, kSampleCount> m_arrSamples{}; // 0 the oldest
    float m_fNeedleAngle = kNeedleRestAngle;
    float m_fTargetAngle = kNeedleRestAngle;
    QTimer m_timerNeedle;
};
