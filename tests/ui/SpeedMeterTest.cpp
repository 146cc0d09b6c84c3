#include "UiFixture.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "mainframe/SpeedMeterWnd.h"

#include <QColor>
#include <QImage>

#include <array>
#include <cstdint>

namespace {

const QColor kGraphFill(119, 197, 242);

class SpeedMeterTest : public UiFixture
{
protected:
    static void FixMaximum(int32_t maximum)
    {
        SettingStore(AppCore().m_settings.SpeedMeterFixedMax, 1);
        SettingStore(AppCore().m_settings.SpeedMeterMax, maximum);
    }

    QColor Pixel(int x, int y) { return meter.grab().toImage().pixelColor(x, y); }

    void Samples(std::initializer_list<uint32_t> speeds)
    {
        for (uint32_t speed : speeds)
            meter.AddSample(speed);
    }

    CSpeedMeterWnd meter;
};

TEST(SpeedMeterScaleTest, TheScaleIsTheNextStepStrictlyAboveTheLargestSampleOrTheFixedMaximum)
{
    struct Case
    {
        uint64_t largest;
        bool fixed;
        int32_t fixedValue;
        uint64_t scale;
    };
    const Case cases[] = {
        {0, false, 0, 5120},
        {10240, false, 0, 15360},
        {65535, false, 0, 66560},
        {70000, false, 0, 102400},
        {2000000, false, 0, 5242880},
        {UINT32_MAX, false, 0, 4299161600ULL}, // no wrap near 2^32
        {2000000, true, 104857600, 104857600},
        {0, true, 104857600, 104857600},
        {5000, true, 0, 104857600}, // a hand-edited value below 1: the default
        {5000, true, -5, 104857600},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSpeedMeterWnd::ScaleFor(c.largest, c.fixed, c.fixedValue), c.scale) << c.largest << " " << c.fixed;
}

TEST(SpeedMeterScaleTest, TheTargetAngleRunsFrom135DownTo45AndTheNeedleStepsOneDegreeWithoutOvershooting)
{
    EXPECT_EQ(CSpeedMeterWnd::TargetAngleFor(0, 5120), 135.0f);
    EXPECT_EQ(CSpeedMeterWnd::TargetAngleFor(52428800, 104857600), 90.0f);
    EXPECT_EQ(CSpeedMeterWnd::TargetAngleFor(200000000, 104857600), 45.0f);
    EXPECT_EQ(CSpeedMeterWnd::TargetAngleFor(UINT32_MAX, 5120), 45.0f);
    EXPECT_EQ(CSpeedMeterWnd::StepNeedle(135.0f, 90.0f), 134.0f);
    EXPECT_EQ(CSpeedMeterWnd::StepNeedle(45.0f, 90.0f), 46.0f);
    EXPECT_EQ(CSpeedMeterWnd::StepNeedle(90.5f, 90.0f), 90.0f);
}

TEST_F(SpeedMeterTest, GraphSamplesShiftTheHistoryRaiseTheScaleAndScrollTheGrid)
{
    meter.SetStyle(MeterStyleBar);
    meter.AddSample(0);
    EXPECT_EQ(meter.scaleMax(), 5120u);
    meter.AddSample(10240);
    EXPECT_EQ(meter.scaleMax(), 15360u);
    meter.AddSample(70000);
    EXPECT_EQ(meter.scaleMax(), 102400u);
    EXPECT_EQ(meter.samples()[57], 0u);
    EXPECT_EQ(meter.samples()[58], 10240u);
    EXPECT_EQ(meter.samples()[59], 70000u);
    std::array<int32_t, 3> offsets{};
    for (int32_t& offset : offsets) {
        meter.AddSample(0);
        offset = meter.gridOffset();
    }
    EXPECT_EQ(offsets, (std::array<int32_t, 3>{12, 0, 3})) << "wrapped at 14 by the sample, not by a paint";
    EXPECT_EQ(meter.scaleMax(), 102400u) << "70,000 is still in the history";
}

TEST_F(SpeedMeterTest, TheAnalogNeedleMovesOneDegreePerTickToItsTargetAndStops)
{
    FixMaximum(104857600);
    meter.SetStyle(MeterStyleAnalog);
    EXPECT_EQ(meter.scaleMax(), 104857600u) << "the fixed maximum applies at once";
    EXPECT_TRUE(meter.IsNeedleTimerActive());
    meter.AddSample(52428800);
    EXPECT_EQ(meter.targetAngle(), 90.0f);
    for (int tick = 0; tick < 44; ++tick)
        meter.OnTimer();
    EXPECT_EQ(meter.needleAngle(), 91.0f);
    meter.OnTimer();
    EXPECT_EQ(meter.needleAngle(), 90.0f);
    meter.OnTimer();
    EXPECT_EQ(meter.needleAngle(), 90.0f);
    meter.AddSample(200000000);
    EXPECT_EQ(meter.targetAngle(), 45.0f);
}

TEST_F(SpeedMeterTest, TheHistoryStaysWhileAnalogAndTheNeedleTimerRunsOnlyThere)
{
    meter.SetStyle(MeterStyleBar);
    EXPECT_FALSE(meter.IsNeedleTimerActive());
    Samples({100, 200, 300});
    const auto before = meter.samples();
    const int32_t offset = meter.gridOffset();
    meter.SetStyle(MeterStyleAnalog);
    for (uint32_t i = 0; i < 10; ++i)
        meter.AddSample(1000 * i);
    meter.SetStyle(MeterStyleArea);
    EXPECT_FALSE(meter.IsNeedleTimerActive());
    EXPECT_EQ(meter.samples(), before);
    EXPECT_EQ(meter.gridOffset(), offset);
}

TEST_F(SpeedMeterTest, TheLightAnalogGaugeShowsItsBandsAndTheNeedleAndItsBackgroundFollowsTheStyle)
{
    meter.SetTheme(MeterThemeLight);
    meter.SetStyle(MeterStyleAnalog);
    meter.AddSample(0);
    ASSERT_EQ(meter.needleAngle(), 135.0f);
    const QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(4, 45), QColor(255, 255, 235));
    EXPECT_EQ(image.pixelColor(30, 20), QColor(237, 28, 36));
    EXPECT_EQ(image.pixelColor(50, 20), QColor(255, 201, 14));
    EXPECT_EQ(image.pixelColor(100, 20), QColor(34, 177, 76));
    EXPECT_EQ(image.pixelColor(40, 40), QColor(199, 65, 54));
    meter.SetStyle(MeterStyleBar);
    EXPECT_EQ(Pixel(4, 45), QColor(255, 255, 255));
    meter.SetStyle(MeterStyleAnalog);
    EXPECT_EQ(Pixel(4, 45), QColor(255, 255, 235));
}

TEST_F(SpeedMeterTest, DarkBarsShowTheGridTheBorderAndEveryBarButTheNewest)
{
    meter.SetTheme(MeterThemeDark);
    meter.SetStyle(MeterStyleBar);
    meter.AddSample(0);
    QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(12, 5), QColor(95, 95, 95));
    EXPECT_EQ(image.pixelColor(13, 5), QColor(90, 90, 90));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(17, 125, 187));

    Samples({5120, 5120});
    ASSERT_EQ(meter.scaleMax(), 10240u);
    image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(176, 30), kGraphFill);
    EXPECT_EQ(image.pixelColor(177, 30), kGraphFill);
    EXPECT_EQ(image.pixelColor(176, 25), kGraphFill);
    EXPECT_NE(image.pixelColor(176, 24), kGraphFill);
    for (int y = 0; y < image.height(); ++y)
        EXPECT_NE(image.pixelColor(179, y), kGraphFill) << y;
}

TEST_F(SpeedMeterTest, TheAreaPolygonFillsUnderTheSamplesOnly)
{
    meter.SetTheme(MeterThemeDark);
    meter.SetStyle(MeterStyleArea);
    Samples({0, 5120, 5120});
    const QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(175, 40), kGraphFill);
    EXPECT_NE(image.pixelColor(175, 10), kGraphFill);
    EXPECT_NE(image.pixelColor(100, 40), kGraphFill);
}

TEST_F(SpeedMeterTest, ASpeedBeyondTheFixedMaximumStopsAtTheTopOfTheGraph)
{
    FixMaximum(5120);
    meter.SetTheme(MeterThemeDark);
    meter.SetStyle(MeterStyleBar);
    for (int i = 0; i < CSpeedMeterWnd::kSampleCount; ++i)
        meter.AddSample(UINT32_MAX);
    const QImage image = meter.grab().toImage(); // the oldest bar, left of the label
    EXPECT_EQ(image.pixelColor(2, 2), kGraphFill);
    EXPECT_NE(image.pixelColor(2, 1), kGraphFill);
    EXPECT_EQ(image.pixelColor(2, 0), QColor(17, 125, 187));
}

} // namespace
