#pragma once

#include <cstdint>

// The value codes of the settings' enumerated fields.
// Plain enums, since the fields themselves are int32_t as stored.

// SchedulerStopAction and AllDoneAction.
enum FinishAction : int32_t
{
    FinishNothing = 0,
    FinishPauseAll = 1, // scheduler only
    FinishExit = 2,
    FinishSleep = 3,
    FinishHibernate = 4,
    FinishShutDown = 5,
};

// DownloadSpeed.
enum SpeedMode : int32_t
{
    SpeedUnlimited = 0,
    SpeedHigh = 1,
    SpeedMedium = 2,
    SpeedLow = 3,
};

// SpeedMeterTheme.
enum MeterTheme : int32_t
{
    MeterThemeDark = 0,
    MeterThemeLight = 1,
};

// SpeedMeterStyle.
enum MeterStyle : int32_t
{
    MeterStyleBar = 0,
    MeterStyleArea = 1,
    MeterStyleAnalog = 2,
};
