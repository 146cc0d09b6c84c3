#pragma once

#include "app/AppSettingsBase.h"

#include <span>

class CProfile;

// The settings with their load and save, through the profile layer,
// section "Settings". Both run on the user-interface thread (start-up and exit).
class CAppSettings : public CAppSettingsBase
{
public:
    using CAppSettingsBase::CAppSettingsBase;
    using CAppSettingsBase::operator=;

    // Reads every stored value in StoredValueOrder(): integers default to
    // g_defaultSettings (a MaxAttempts below 1 becomes its default, a port keeps
    // the low 16 bits), strings likewise, binaries are taken only at exactly 16
    // (times) or 8 (DataUsage) bytes; after SchedulerStopAction an empty
    // DefaultDownloadLocation becomes the default. AllDoneAction and SchedulerOn
    // are not touched. No other range checks.
    void Load(const CProfile& profile);
    void Load(); // the default profile file

    // Writes every stored value in the same order (SchedulerAutoTurnOn twice, the
    // same value), then syncs the file. Results are not checked: the profile
    // keeps the reason of its first failure.
    void Save(CProfile& profile) const;
    // The same to the default profile file; a failure is written to standard error.
    void Save() const;
};

// The one order table of Load and Save: declaration order except the speed-meter
// block after URLMonitorKeepOnTop, and SchedulerAutoTurnOn twice (78 entries for
// the 77 stored values).
std::span<const SettingEntry> StoredValueOrder();
