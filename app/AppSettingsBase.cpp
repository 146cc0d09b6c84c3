#include "app/AppSettingsBase.h"

#include "app/DownloadsFolder.h"

#include <array>

namespace {

using B = CAppSettingsBase;

constexpr std::array<SettingEntry, 79> kFields{{
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
    {"DownloadsViewGrid", &B::DownloadsViewGrid},
    {"DoNotAskSaveChanges", &B::DoNotAskSaveChanges},
    {"SaveChangesDefaultAction", &B::SaveChangesDefaultAction},
    {"DoNotAskSort", &B::DoNotAskSort},
    {"SortDefaultAction", &B::SortDefaultAction},
    {"UnicodeImportExport", &B::UnicodeImportExport},
    {"ConfirmExit", &B::ConfirmExit},
    {"AutoFillDownloadAddress", &B::AutoFillDownloadAddress},
    {"AllDoneAction", &B::AllDoneAction},
    {"SchedulerOn", &B::SchedulerOn},
    {"SchedulerAutoTurnOn", &B::SchedulerAutoTurnOn},
    {"ScheduleAllItems", &B::ScheduleAllItems},
    {"SchedulerStartTime", &B::SchedulerStartTime},
    {"SchedulerStopTime", &B::SchedulerStopTime},
    {"SchedulerStopAction", &B::SchedulerStopAction},
    {"ShowSpeedMeter", &B::ShowSpeedMeter},
    {"SpeedMeterMax", &B::SpeedMeterMax},
    {"SpeedMeterFixedMax", &B::SpeedMeterFixedMax},
    {"SpeedMeterTheme", &B::SpeedMeterTheme},
    {"SpeedMeterStyle", &B::SpeedMeterStyle},
    {"DataUsage", &B::DataUsage},
    {"DataUsageReset", &B::DataUsageReset},
}};

} // namespace

std::span<const SettingEntry> AllSettingFields()
{
    return kFields;
}

const CAppSettingsBase& DefaultSettings()
{
    static CAppSettingsBase defaults;
    return defaults;
}

CAppSettingsBase::CAppSettingsBase()
{
    SetDefaults();
}

CAppSettingsBase::CAppSettingsBase(const CAppSettingsBase& other)
{
    const std::shared_lock source(other.m_lock);
    CopyFieldsFrom(other);
}

CAppSettingsBase& CAppSettingsBase::operator=(const CAppSettingsBase& other)
{
    if (this == &other)
        return *this;
    std::unique_lock target(m_lock, std::defer_lock);
    std::shared_lock source(other.m_lock, std::defer_lock);
    std::lock(target, source);
    CopyFieldsFrom(other);
    return *this;
}

void CAppSettingsBase::CopyFieldsFrom(const CAppSettingsBase& other)
{
    for (const SettingEntry& entry : kFields) {
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                if constexpr (AtomicSettingField<T>)
                    SettingStore(this->*member, SettingLoad(other.*member));
                else
                    this->*member = other.*member;
            },
            entry.field);
    }
}

QString CAppSettingsBase::GetString(QString CAppSettingsBase::*field) const
{
    const std::shared_lock lock(m_lock);
    return this->*field;
}

void CAppSettingsBase::SetString(QString CAppSettingsBase::*field, const QString& value)
{
    const std::unique_lock lock(m_lock);
    this->*field = value;
}

void CAppSettingsBase::SetDefaults()
{
    const SYSTEMTIME now = GetLocalTime();
    const QString downloads = UserDownloadsFolder();
    {
        const std::unique_lock lock(m_lock);
        UserAgent = QStringLiteral("Vandrel");
        HTTPVersion = QStringLiteral("HTTP/1.1");
        ProxyBypass = QStringLiteral("<local>");
        HttpProxyServer.clear();
        HttpProxyUserName.clear();
        HttpProxyPassword.clear();
        HttpsProxyServer.clear();
        HttpsProxyUserName.clear();
        HttpsProxyPassword.clear();
        DefaultDownloadLocation = downloads;
        URLMonitorFileExtensions = QString::fromLatin1(kDefaultUrlMonitorFileExtensions);
        SchedulerStartTime = now;
        SchedulerStopTime = now;
        DataUsage = 0;
        DataUsageReset = now;
    }

    const auto set = [](auto& field, auto value) { SettingStore(field, value); };
    set(DeveloperMode, 0);
    set(ConnectRetries, 4);
    set(ConnectTimeout, 10000);
    set(SendTimeout, 20000);
    set(ReceiveTimeout, 20000);
    set(IgnoreUnknownCA, 1);
    set(IgnoreRevocation, 1);
    set(IgnoreWeakSignature, 1);
    set(IgnoreWrongUsage, 1);
    set(IgnoreCertCnInvalid, 1);
    set(IgnoreCertDateInvalid, 1);
    set(AutoCreateRefererString, 1);
    set(DoNotUseCache, 1);
    set(HandleRedirectInternally, 0);
    set(UseProxyBypass, 0);
    set(HttpProxyPort, 0);
    set(HttpsProxyPort, 0);
    set(MaxSectionCountPerDownload, 8);
    set(MinSectionSize, 1048576);
    set(MaxTransferBufferSize, 4096);
    set(MaxAttempts, 3);
    set(PauseBetweenAttempts, 3000);
    set(UpdateDownloadStubEvery, 52428800);
    set(StopDownloadOnSectionFail, 0);
    set(StopIfHtmlContentReturned, 1);
    set(GetFileDateTimeFromServer, 0);
    set(CheckHistory, 1);
    set(ConcurrentDownloads, 3);
    set(DownloadSpeed, SpeedUnlimited);
    set(HighSpeedDelay, 50);
    set(MediumSpeedDelay, 100);
    set(LowSpeedDelay, 200);
    set(LaunchAtStartup, 1);
    set(MinimizeToTray, 1);
    set(AnimateTrayIcon, 1);
    set(URLsHistorySize, 100);
    set(DownloadLocationsHistorySize, 20);
    set(NotifyFail, 1);
    set(NotifyComplete, 1);
    set(NotifyAllComplete, 1);
    set(NotifyScheduler, 1);
    set(URLMonitor, 1);
    set(URLMonitorAddUndetectedType, 0);
    set(URLMonitorAddIfShiftKeyPressed, 0);
    set(URLMonitorIgnoreIfCtrlKeyPressed, 0);
    set(URLMonitorKeepOnTop, 1);
    set(DownloadsViewGrid, 1);
    set(DoNotAskSaveChanges, 0);
    set(SaveChangesDefaultAction, 6); // IDYES
    set(DoNotAskSort, 0);
    set(SortDefaultAction, 6); // IDYES
    set(UnicodeImportExport, 0);
    set(ConfirmExit, 1);
    set(AutoFillDownloadAddress, 1);
    set(AllDoneAction, FinishNothing);
    set(SchedulerOn, 0);
    set(SchedulerAutoTurnOn, 0);
    set(ScheduleAllItems, 1);
    set(SchedulerStopAction, FinishPauseAll);
    set(ShowSpeedMeter, 1);
    set(SpeedMeterMax, 104857600);
    set(SpeedMeterFixedMax, 0);
    set(SpeedMeterTheme, MeterThemeLight);
    set(SpeedMeterStyle, MeterStyleAnalog);
}
