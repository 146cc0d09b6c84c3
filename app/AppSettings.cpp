#include "app/AppSettings.h"

#include "platform/Profile.h"
#include "platform/WarnFailure.h"

#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

using B = CAppSettingsBase;

bool Named(const SettingEntry& entry, const char* name)
{
    return qstrcmp(entry.name, name) == 0;
}

// The stored values in load and save order, from the field table: declaration
// order without the two runtime fields, the speed-meter block moved up behind
// URLMonitorKeepOnTop, and SchedulerAutoTurnOn written again after the times.
std::vector<SettingEntry> MakeStoredOrder()
{
    const std::span<const SettingEntry> fields = AllSettingFields();
    const auto speedBegin = std::find_if(fields.begin(), fields.end(),
                                         [](const SettingEntry& e) { return Named(e, "ShowSpeedMeter"); });
    const auto speedEnd = std::find_if(speedBegin, fields.end(),
                                       [](const SettingEntry& e) { return Named(e, "SpeedMeterStyle"); }) + 1;
    std::vector<SettingEntry> order;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it == speedBegin)
            it = speedEnd;
        if (it == fields.end())
            break;
        if (Named(*it, "AllDoneAction") || Named(*it, "SchedulerOn"))
            continue;
        order.push_back(*it);
        if (Named(*it, "URLMonitorKeepOnTop"))
            order.insert(order.end(), speedBegin, speedEnd);
        if (Named(*it, "SchedulerStopTime"))
            order.push_back({"SchedulerAutoTurnOn", &B::SchedulerAutoTurnOn});
    }
    return order;
}

template <typename... F>
struct Overloaded : F...
{
    using F::operator()...;
};
// Aggregate deduction is C++20, but clang 14 does not implement it yet.
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

} // namespace

std::span<const SettingEntry> StoredValueOrder()
{
    static const std::vector<SettingEntry> order = MakeStoredOrder();
    return order;
}

void CAppSettings::Load(const CProfile& profile)
{
    const CAppSettingsBase& defaults = g_defaultSettings;
    const QString section = SettingsSection();
    for (const SettingEntry& entry : StoredValueOrder()) {
        const QString name = QString::fromLatin1(entry.name);
        std::visit(Overloaded{
                       [&](int32_t B::*member) {
                           int32_t value = int32_t(profile.GetProfileInt(section, name, defaults.*member));
                           if (member == &B::MaxAttempts && value < 1)
                               value = defaults.MaxAttempts;
                           SettingStore(this->*member, value);
                       },
                       [&](uint16_t B::*member) {
                           SettingStore(this->*member, uint16_t(profile.GetProfileInt(section, name, defaults.*member)));
                       },
                       [&](QString B::*member) {
                           SetString(member, profile.GetProfileString(section, name, defaults.*member));
                       },
                       [&](SYSTEMTIME B::*member) {
                           QByteArray data;
                           if (profile.GetProfileBinary(section, name, &data) && data.size() == kSystemTimeBytes)
                               this->*member = SystemTimeFromBytes(data.constData());
                       },
                       [&](uint64_t B::*member) {
                           QByteArray data;
                           if (profile.GetProfileBinary(section, name, &data) && data.size() == 8)
                               this->*member = qFromLittleEndian<quint64>(data.constData());
                       },
                   },
                   entry.field);
        if (entry.field == SettingField(&B::SchedulerStopAction) && GetString(&B::DefaultDownloadLocation).isEmpty())
            SetString(&B::DefaultDownloadLocation, defaults.DefaultDownloadLocation);
    }
}

void CAppSettings::Load()
{
    const CProfile profile;
    Load(profile);
}

void CAppSettings::Save(CProfile& profile) const
{
    const QString section = SettingsSection();
    for (const SettingEntry& entry : StoredValueOrder()) {
        const QString name = QString::fromLatin1(entry.name);
        std::visit(Overloaded{
                       [&](int32_t B::*member) { profile.WriteProfileInt(section, name, SettingLoad(this->*member)); },
                       [&](uint16_t B::*member) {
                           // zero-extended, as a port is written
                           profile.WriteProfileInt(section, name, int32_t(SettingLoad(this->*member)));
                       },
                       [&](QString B::*member) { profile.WriteProfileString(section, name, GetString(member)); },
                       [&](SYSTEMTIME B::*member) {
                           QByteArray data;
                           AppendSystemTime(data, this->*member);
                           profile.WriteProfileBinary(section, name, data);
                       },
                       [&](uint64_t B::*member) {
                           QByteArray data(8, '\0');
                           qToLittleEndian<quint64>(this->*member, data.data());
                           profile.WriteProfileBinary(section, name, data);
                       },
                   },
                   entry.field);
    }
    profile.sync();
}

void CAppSettings::Save() const
{
    CProfile profile;
    Save(profile);
    if (!profile.ErrorString().isEmpty())
        WarnFailure("save the settings to", profile.FilePath(), profile.ErrorString());
}
