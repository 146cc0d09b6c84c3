#include "app/AppSettings.h"

#include "platform/Profile.h"

#include <QtEndian>

#include <array>

namespace {

using B = CAppSettingsBase;

constexpr std::array<SettingEntry, 78> kOrder{{
    // 1. DeveloperMode through URLMonitorKeepOnTop, in declaration order.
    {"DeveloperMode", &B::DeveloperMode},
    {"UserAgent", &B::UserAgent},
    {"HTTPVersion", &B::HTTPVersion},
    {"ConnectRetries", &B::ConnectRetries},
    {"ConnectTimeout", &B::ConnectTimeout},
    {"SendTimeout", &B::SendTimeout},
    {"ReceiveTimeout", &B::ReceiveTimeout},
    {"IgnoreUnknownCA", &B::IgnoreUnknownCA},
    {"IgnoreRevocation", &B::IgnoreRevocation},
    {"IgnoreWeakSignature", &B::IgnoreWeakSignature},
    {"IgnoreWrongUsage", &B::IgnoreWrongUsage},
    {"IgnoreCertCnInvalid", &B::IgnoreCertCnInvalid},
    {"IgnoreCertDateInvalid", &B::IgnoreCertDateInvalid},
    {"AutoCreateRefererString", &B::AutoCreateRefererString},
    {"DoNotUseCache", &B::DoNotUseCache},
    {"HandleRedirectInternally", &B::HandleRedirectInternally},
    {"UseProxyBypass", &B::UseProxyBypass},
    {"ProxyBypass", &B::ProxyBypass},
    {"HttpProxyServer", &B::HttpProxyServer},
    {"HttpProxyPort", &B::HttpProxyPort},
    {"HttpProxyUserName", &B::HttpProxyUserName},
    {"HttpProxyPassword", &B::HttpProxyPassword},
    {"HttpsProxyServer", &B::HttpsProxyServer},
    {"HttpsProxyPort", &B::HttpsProxyPort},
    {"HttpsProxyUserName", &B::HttpsProxyUserName},
    {"HttpsProxyPassword", &B::HttpsProxyPassword},
    {"DefaultDownloadLocation", &B::DefaultDownloadLocation},
    {"MaxSectionCountPerDownload", &B::MaxSectionCountPerDownload},
    {"MinSectionSize", &B::MinSectionSize},
    {"MaxTransferBufferSize", &B::MaxTransferBufferSize},
    {"MaxAttempts", &B::MaxAttempts},
    {"PauseBetweenAttempts", &B::PauseBetweenAttempts},
    {"UpdateDownloadStubEvery", &B::UpdateDownloadStubEvery},
    {"StopDownloadOnSectionFail", &B::StopDownloadOnSectionFail},
    {"StopIfHtmlContentReturned", &B::StopIfHtmlContentReturned},
    {"GetFileDateTimeFromServer", &B::GetFileDateTimeFromServer},
    {"CheckHistory", &B::CheckHistory},
    {"ConcurrentDownloads", &B::ConcurrentDownloads},
    {"DownloadSpeed", &B::DownloadSpeed},
    {"HighSpeedDelay", &B::HighSpeedDelay},
    {"MediumSpeedDelay", &B::MediumSpeedDelay},
    {"LowSpeedDelay", &B::LowSpeedDelay},
    {"LaunchAtStartup", &B::LaunchAtStartup},
    {"MinimizeToTray", &B::MinimizeToTray},
    {"AnimateTrayIcon", &B::AnimateTrayIcon},
    {"URLsHistorySize", &B::URLsHistorySize},
    {"DownloadLocationsHistorySize", &B::DownloadLocationsHistorySize},
    {"NotifyFail", &B::NotifyFail},
    {"NotifyComplete", &B::NotifyComplete},
    {"NotifyAllComplete", &B::NotifyAllComplete},
    {"NotifyScheduler", &B::NotifyScheduler},
    {"URLMonitor", &B::URLMonitor},
    {"URLMonitorFileExtensions", &B::URLMonitorFileExtensions},
    {"URLMonitorAddUndetectedType", &B::URLMonitorAddUndetectedType},
    {"URLMonitorAddIfShiftKeyPressed", &B::URLMonitorAddIfShiftKeyPressed},
    {"URLMonitorIgnoreIfCtrlKeyPressed", &B::URLMonitorIgnoreIfCtrlKeyPressed},
    {"URLMonitorKeepOnTop", &B::URLMonitorKeepOnTop},
    // 2. The speed-meter block.
    {"ShowSpeedMeter", &B::ShowSpeedMeter},
    {"SpeedMeterMax", &B::SpeedMeterMax},
    {"SpeedMeterFixedMax", &B::SpeedMeterFixedMax},
    {"SpeedMeterTheme", &B::SpeedMeterTheme},
    {"SpeedMeterStyle", &B::SpeedMeterStyle},
    // 3.
    {"DownloadsViewGrid", &B::DownloadsViewGrid},
    {"DoNotAskSaveChanges", &B::DoNotAskSaveChanges},
    {"SaveChangesDefaultAction", &B::SaveChangesDefaultAction},
    {"DoNotAskSort", &B::DoNotAskSort},
    {"SortDefaultAction", &B::SortDefaultAction},
    {"UnicodeImportExport", &B::UnicodeImportExport},
    {"ConfirmExit", &B::ConfirmExit},
    {"AutoFillDownloadAddress", &B::AutoFillDownloadAddress},
    // 4. The scheduler, SchedulerAutoTurnOn twice.
    {"SchedulerAutoTurnOn", &B::SchedulerAutoTurnOn},
    {"ScheduleAllItems", &B::ScheduleAllItems},
    {"SchedulerStartTime", &B::SchedulerStartTime},
    {"SchedulerStopTime", &B::SchedulerStopTime},
    {"SchedulerAutoTurnOn", &B::SchedulerAutoTurnOn},
    {"SchedulerStopAction", &B::SchedulerStopAction},
    // 5.
    {"DataUsage", &B::DataUsage},
    {"DataUsageReset", &B::DataUsageReset},
}};

template <typename... F>
struct Overloaded : F...
{
    using F::operator()...;
};

} // namespace

std::span<const SettingEntry> StoredValueOrder()
{
    return kOrder;
}

void CAppSettings::Load(const CProfile& profile)
{
    const CAppSettingsBase& defaults = g_defaultSettings;
    const QString section = SettingsSection();
    for (const SettingEntry& entry : kOrder) {
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
    for (const SettingEntry& entry : kOrder) {
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
}
