#include "app/ChangedSettings.h"

#include <gtest/gtest.h>

namespace {

using B = CAppSettingsBase;

// A value different from `value`, of the field's type.
int32_t Other(int32_t value) { return value + 7; }
uint16_t Other(uint16_t value) { return uint16_t(value + 7); }
uint64_t Other(uint64_t value) { return value + 7; }
QString Other(const QString& value) { return value + QStringLiteral("x"); }
SYSTEMTIME Other(SYSTEMTIME value)
{
    value.wMinute = uint16_t((value.wMinute + 7) % 60);
    return value;
}

bool IsNeverTaken(const SettingEntry& entry)
{
    return entry.field == SettingField(&B::DataUsage) || entry.field == SettingField(&B::DataUsageReset) ||
           entry.field == SettingField(&B::AllDoneAction);
}

bool SameField(const B& a, const B& b, const SettingField& field)
{
    return std::visit([&](auto member) { return a.*member == b.*member; }, field);
}

} // namespace

TEST(ChangedSettingsTest, EveryEditedFieldIsTakenExceptTheCounterItsResetAndTheAfterAllAction)
{
    const B before;
    B edited = before;
    for (const SettingEntry& entry : AllSettingFields())
        std::visit([&](auto member) { edited.*member = Other(edited.*member); }, entry.field);
    B live = before;

    StoreChangedSettings(live, before, edited);

    for (const SettingEntry& entry : AllSettingFields()) {
        const B& expected = IsNeverTaken(entry) ? before : edited;
        EXPECT_TRUE(SameField(live, expected, entry.field)) << entry.name;
    }
}

TEST(ChangedSettingsTest, WhatTheProgramChangedMeanwhileStaysUnlessTheUserChangedItToo)
{
    B before;
    SettingStore(before.SchedulerOn, 1);
    SettingStore(before.URLMonitor, 1);
    before.SetString(&B::UserAgent, QStringLiteral("A"));
    B live = before;
    SettingStore(live.SchedulerOn, 0); // the scheduler stopped itself
    SettingStore(live.URLMonitor, 0);  // the tray toggled the monitor
    live.DataUsage = 900;              // transfers went on
    B edited = before;
    SettingStore(edited.URLMonitor, 0); // the user unchecked it as well
    SettingStore(edited.ConnectRetries, 9);
    edited.SetString(&B::UserAgent, QStringLiteral("B"));
    edited.DataUsage = 5;

    StoreChangedSettings(live, before, edited);

    EXPECT_EQ(live.SchedulerOn, 0) << "not revived";
    EXPECT_EQ(live.URLMonitor, 0);
    EXPECT_EQ(live.ConnectRetries, 9);
    EXPECT_EQ(live.GetString(&B::UserAgent), QStringLiteral("B"));
    EXPECT_EQ(live.DataUsage, 900u);
}
