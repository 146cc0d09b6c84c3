#pragma once

#include "app/SettingsTypes.h"
#include "platform/SystemTime.h"

#include <QString>

#include <atomic>
#include <concepts>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <type_traits>
#include <variant>

// Integer fields that worker threads read while the user interface may write them
// are read with SettingLoad() and written with SettingStore() (relaxed
// std::atomic_ref), so the record stays a plain copyable struct without a race.
template <typename T>
concept AtomicSettingField = std::same_as<T, int32_t> || std::same_as<T, uint16_t>;

template <AtomicSettingField T>
inline T SettingLoad(const T& field) noexcept
{
    static_assert(std::atomic_ref<T>::is_always_lock_free && std::atomic_ref<T>::required_alignment == alignof(T));
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

template <AtomicSettingField T>
inline void SettingStore(T& field, std::type_identity_t<T> value) noexcept
{
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

// All user options: one flat, copyable record; every field is named
// exactly like its stored value. Booleans are int32_t 0/1, ports uint16_t.
// Threads: workers copy strings with GetString() (several under ReadLock()), and
// writers replace them with SetString() (or under WriteLock()); integers go through
// SettingLoad()/SettingStore(). DataUsage is under the app's data-usage lock.
class CAppSettingsBase
{
public:
    CAppSettingsBase(); // strings empty, then SetDefaults()
    CAppSettingsBase(const CAppSettingsBase& other);
    virtual ~CAppSettingsBase() = default;

    // Copies every field, the runtime fields, the three times and DataUsage
    // included; never the lock. Takes both locks; integers go through the helpers.
    CAppSettingsBase& operator=(const CAppSettingsBase& other);

    // Every field to the table's default, the runtime fields included (0); the
    // three times to the current local time; DefaultDownloadLocation to the
    // Downloads folder (QStandardPaths::DownloadLocation, else home + "/Downloads").
    void SetDefaults();

    std::shared_lock<std::shared_mutex> ReadLock() const { return std::shared_lock(m_lock); }
    std::unique_lock<std::shared_mutex> WriteLock() { return std::unique_lock(m_lock); }
    QString GetString(QString CAppSettingsBase::*field) const;
    void SetString(QString CAppSettingsBase::*field, const QString& value);

    // The fields, in declaration order.
    int32_t DeveloperMode;
    QString UserAgent;
    QString HTTPVersion;
    int32_t ConnectRetries;
    int32_t ConnectTimeout;
    int32_t SendTimeout;
    int32_t ReceiveTimeout;
    int32_t IgnoreUnknownCA;
    int32_t IgnoreRevocation;
    int32_t IgnoreWeakSignature;
    int32_t IgnoreWrongUsage;
    int32_t IgnoreCertCnInvalid;
    int32_t IgnoreCertDateInvalid;
    int32_t AutoCreateRefererString;
    int32_t DoNotUseCache;
    int32_t HandleRedirectInternally;
    int32_t UseProxyBypass;
    QString ProxyBypass;
    QString HttpProxyServer;
    uint16_t HttpProxyPort;
    QString HttpProxyUserName;
    QString HttpProxyPassword; // plain text, as specified (the file is 0600)
    QString HttpsProxyServer;
    uint16_t HttpsProxyPort;
    QString HttpsProxyUserName;
    QString HttpsProxyPassword;
    QString DefaultDownloadLocation;
    int32_t MaxSectionCountPerDownload;
    int32_t MinSectionSize;
    int32_t MaxTransferBufferSize;
    int32_t MaxAttempts;
    int32_t PauseBetweenAttempts;
    int32_t UpdateDownloadStubEvery;
    int32_t StopDownloadOnSectionFail;
    int32_t StopIfHtmlContentReturned;
    int32_t GetFileDateTimeFromServer;
    int32_t CheckHistory;
    int32_t ConcurrentDownloads; // not clamped on load: consumers bounds-check
    int32_t DownloadSpeed;       // SpeedMode
    int32_t HighSpeedDelay;
    int32_t MediumSpeedDelay;
    int32_t LowSpeedDelay;
    int32_t LaunchAtStartup;
    int32_t MinimizeToTray;
    int32_t AnimateTrayIcon;
    int32_t URLsHistorySize;
    int32_t DownloadLocationsHistorySize;
    int32_t NotifyFail;
    int32_t NotifyComplete;
    int32_t NotifyAllComplete;
    int32_t NotifyScheduler;
    int32_t URLMonitor;
    QString URLMonitorFileExtensions;
    int32_t URLMonitorAddUndetectedType;
    int32_t URLMonitorAddIfShiftKeyPressed;
    int32_t URLMonitorIgnoreIfCtrlKeyPressed;
    int32_t URLMonitorKeepOnTop;
    int32_t DownloadsViewGrid;
    int32_t DoNotAskSaveChanges;
    int32_t SaveChangesDefaultAction;
    int32_t DoNotAskSort;
    int32_t SortDefaultAction;
    int32_t UnicodeImportExport;
    int32_t ConfirmExit;
    int32_t AutoFillDownloadAddress;
    int32_t AllDoneAction; // runtime only: FinishAction
    int32_t SchedulerOn;   // runtime only
    int32_t SchedulerAutoTurnOn;
    int32_t ScheduleAllItems;
    SYSTEMTIME SchedulerStartTime;
    SYSTEMTIME SchedulerStopTime;
    int32_t SchedulerStopAction; // FinishAction
    int32_t ShowSpeedMeter;
    int32_t SpeedMeterMax;
    int32_t SpeedMeterFixedMax;
    int32_t SpeedMeterTheme; // MeterTheme
    int32_t SpeedMeterStyle; // MeterStyle
    uint64_t DataUsage;      // under the application's data-usage lock
    SYSTEMTIME DataUsageReset;

private:
    void CopyFieldsFrom(const CAppSettingsBase& other); // caller holds the locks

    mutable std::shared_mutex m_lock; // guards the strings; never copied
};

// One field of the record: its stored name and a member pointer whose type gives
// its kind (int32_t and uint16_t DWORD, QString SZ, SYSTEMTIME binary of 16 bytes,
// uint64_t binary of 8 bytes).
using SettingField = std::variant<int32_t CAppSettingsBase::*, uint16_t CAppSettingsBase::*,
                                  QString CAppSettingsBase::*, SYSTEMTIME CAppSettingsBase::*,
                                  uint64_t CAppSettingsBase::*>;
struct SettingEntry
{
    const char* name;
    SettingField field;
};

// All 79 fields in declaration order (the two runtime fields included).
std::span<const SettingEntry> AllSettingFields();

// The program-wide factory defaults, never written: a function-local static,
// built at its first use (main calls it before the application object exists),
// so no static-initialisation order matters.
const CAppSettingsBase& DefaultSettings();
#define g_defaultSettings (DefaultSettings())

// The default of URLMonitorFileExtensions: 49 extensions, 192 characters.
inline constexpr char kDefaultUrlMonitorFileExtensions[] =
    "3GP 7Z AAC ACE AIF ARJ ASF AVI BIN BZ2 EXE GZ GZIP IMG ISO LZH M4A M4V MKV MOV MP3 MP4 MPA MPE MPEG MPG "
    "MSI MSU OGG OGV PDF PLJ PPS PPT QT RA RAR RM SEA SIT SITX TAR TIF TIFF WAV WMA WMV Z ZIP";
