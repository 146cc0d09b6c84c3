#include "mainframe/UrlMonitor.h"

#include "app/AppSettingsBase.h"
#include "engine/SteadyClock.h"
#include "engine/Url.h"
#include "platform/ParseUrl.h"

namespace {

constexpr int64_t kEchoWindowNs = 500'000'000;

bool TakesFileName(const CAppSettingsBase& settings, const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot == name.size() - 1) // no name, no extension or nothing after the dot
        return SettingLoad(settings.URLMonitorAddUndetectedType) != 0;
    return settings.GetString(&CAppSettingsBase::URLMonitorFileExtensions)
        .contains(QStringView(name).sliced(dot + 1), Qt::CaseInsensitive);
}

} // namespace

std::optional<QString> CUrlMonitor::TextToTake(const CAppSettingsBase& settings, const QString& text, bool shiftHeld)
{
    if (shiftHeld && SettingLoad(settings.URLMonitorAddIfShiftKeyPressed))
        return text;
    // A copied line often ends in a line break.
    const QString url = text.trimmed();
    CUrl parts;
    if (!ParseUrl(url, parts.m_nServiceType, parts.m_strServer, parts.m_strObject, parts.m_nPort))
        return std::nullopt;
    if (parts.m_nServiceType != AFX_INET_SERVICE_HTTP && parts.m_nServiceType != AFX_INET_SERVICE_HTTPS)
        return std::nullopt;
    if (!TakesFileName(settings, parts.GetFileName()))
        return std::nullopt;
    return url;
}

bool CUrlMonitor::IsEcho(const QString& text)
{
    const int64_t now = CSteadyClock::NowNanoseconds();
    if (m_lastTaken == text && now - m_nLastTakenNs < kEchoWindowNs)
        return true;
    m_lastTaken = text;
    m_nLastTakenNs = now;
    return false;
}
