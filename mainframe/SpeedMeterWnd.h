#pragma once

#include <QWidget>

#include <cstdint>

// The speed meter band: it takes one total-speed sample per refresh tick and
// shows the latest. Its history, scale, styles and themes belong to the meter's
// own code, which replaces this one.
class CSpeedMeterWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CSpeedMeterWnd(QWidget* parent = nullptr);

    void AddSample(uint64_t bytesPerSecond) { m_nLastSample = bytesPerSecond; }
    uint64_t LastSample() const { return m_nLastSample; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint64_t m_nLastSample = 0;
};
