#include "engine/HttpDownloader.h"

#include "engine/QueryInfoString.h"
#include "engine/SecurityFlags.h"
#include "engine/Setting.h"
#include "engine/Url.h"
#include "platform/ParseUrl.h"

#include <QUrl>

#include <algorithm>
#include <optional>

using namespace inet;

namespace {

constexpr DWORD_PTR kContext = 1;
constexpr DWORD kBaseRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION
    | INTERNET_FLAG_NO_COOKIES;
constexpr const char16_t* kAcceptTypes[] = {u"*/*", nullptr};
constexpr QStringView kHttpPrefix = u"http://";

using IntSetting = int32_t CAppSettingsBase::*;

struct ConnectOption
{
    DWORD option;
    IntSetting setting;
};

// In the order they are set.
constexpr ConnectOption kConnectOptions[] = {
    {INTERNET_OPTION_CONNECT_RETRIES, &CAppSettingsBase::ConnectRetries},
    {INTERNET_OPTION_CONNECT_TIMEOUT, &CAppSettingsBase::ConnectTimeout},
    {INTERNET_OPTION_SEND_TIMEOUT, &CAppSettingsBase::SendTimeout},
    {INTERNET_OPTION_RECEIVE_TIMEOUT, &CAppSettingsBase::ReceiveTimeout},
};

struct CertificateTolerance
{
    IntSetting setting;
    DWORD flag;
};

constexpr CertificateTolerance kCertificateTolerances[] = {
    {&CAppSettingsBase::IgnoreUnknownCA, SECURITY_FLAG_IGNORE_UNKNOWN_CA},
    {&CAppSettingsBase::IgnoreRevocation, SECURITY_FLAG_IGNORE_REVOCATION},
    {&CAppSettingsBase::IgnoreWeakSignature, SECURITY_FLAG_IGNORE_WEAK_SIGNATURE},
    {&CAppSettingsBase::IgnoreWrongUsage, SECURITY_FLAG_IGNORE_WRONG_USAGE},
    {&CAppSettingsBase::IgnoreCertCnInvalid, SECURITY_FLAG_IGNORE_CERT_CN_INVALID},
    {&CAppSettingsBase::IgnoreCertDateInvalid, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID},
};

// The layer takes an empty text, never a null pointer, where no value is meant.
const char16_t* Units(const QString& text)
{
    return text.isEmpty() ? u"" : reinterpret_cast<const char16_t*>(text.utf16());
}

DWORD OpenType(int32_t accessType)
{
    switch (accessType) {
    case Direct: return INTERNET_OPEN_TYPE_DIRECT;
    case Proxy: return INTERNET_OPEN_TYPE_PROXY;
    default: return INTERNET_OPEN_TYPE_PRECONFIG;
    }
}

// A URL that does not parse counts as http.
bool IsHttpsUrl(const QString& url)
{
    CUrl parts;
    ParseUrl(url, parts.m_nServiceType, parts.m_strServer, parts.m_strObject, parts.m_nPort);
    return parts.m_nServiceType == AFX_INET_SERVICE_HTTPS;
}

// The proxy server as people type it: with spaces around it, after "http://",
// or a bare IPv6 address, whose colons need brackets before a port can follow.
QString ProxyHost(const QString& typed)
{
    QString host = typed.trimmed();
    if (host.startsWith(kHttpPrefix, Qt::CaseInsensitive))
        host = host.sliced(kHttpPrefix.size());
    if (host.count(u':') > 1 && !host.startsWith(u'['))
        host = u'[' + host + u']';
    return host;
}

// "server:port" of the proxy for that scheme; the caller holds the settings' read lock.
QString ProxyName(const CAppSettings& settings, bool https)
{
    const QString& server = https ? settings.HttpsProxyServer : settings.HttpProxyServer;
    const uint16_t port = SettingLoad(https ? settings.HttpsProxyPort : settings.HttpProxyPort);
    return u"%1:%2"_qs.arg(ProxyHost(server)).arg(port);
}

struct ProxyCredentials
{
    QString userName;
    QString password;
};

ProxyCredentials CopyProxyCredentials(bool https)
{
    const CAppSettings& settings = Settings();
    const auto lock = settings.ReadLock();
    if (https)
        return {settings.HttpsProxyUserName, settings.HttpsProxyPassword};
    return {settings.HttpProxyUserName, settings.HttpProxyPassword};
}

void SetTextOption(HINTERNET handle, DWORD option, const QString& text)
{
    if (!text.isEmpty())
        InternetSetOptionW(handle, option, Units(text), DWORD(text.size() + 1));
}

void SetConnectOptions(HINTERNET connect)
{
    for (const ConnectOption& entry : kConnectOptions) {
        const DWORD value = DWORD(Setting(entry.setting));
        InternetSetOptionW(connect, entry.option, &value, sizeof value);
    }
}

void SetProxyCredentials(HINTERNET connect, const ProxyCredentials& credentials)
{
    SetTextOption(connect, INTERNET_OPTION_PROXY_USERNAME, credentials.userName);
    SetTextOption(connect, INTERNET_OPTION_PROXY_PASSWORD, credentials.password);
}

DWORD RequestFlags(bool allowNoAutoRedirect, bool https)
{
    DWORD flags = kBaseRequestFlags;
    if (https)
        flags |= INTERNET_FLAG_SECURE;
    if (allowNoAutoRedirect && Setting(&CAppSettingsBase::HandleRedirectInternally))
        flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (Setting(&CAppSettingsBase::DoNotUseCache))
        flags |= INTERNET_FLAG_RELOAD;
    return flags;
}

// A page as a Referer may show it: without user info, which may hold a password,
// and without the fragment, which is the page's own business. Empty when the
// text is no URL at all.
QString PageWithoutSecrets(const QString& page)
{
    const QUrl url(page);
    if (!url.isValid())
        return {};
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
}

// The download's own referer, else the URL as entered when so configured, else
// none; the same for every request of the download, redirected ones too. The
// layer leaves it out where an https page would go to an http URL.
std::optional<QString> Referer(const QString& own, const QString& enteredUrl)
{
    const bool entered = own.isEmpty() && Setting(&CAppSettingsBase::AutoCreateRefererString);
    QString shown = PageWithoutSecrets(entered ? enteredUrl : own);
    if (shown.isEmpty())
        return std::nullopt;
    return shown;
}

void TolerateCertificateErrors(HINTERNET request)
{
    DWORD flags = 0;
    for (const CertificateTolerance& entry : kCertificateTolerances) {
        if (Setting(entry.setting))
            flags |= entry.flag;
    }
    AddSecurityFlags(request, flags);
}

bool IsSecure(const CUrl& url)
{
    return url.m_nServiceType == AFX_INET_SERVICE_HTTPS;
}

// Credentials given for one origin go to no other: a redirect to another server,
// port or scheme (https to http above all) drops them.
bool IsSameOrigin(const CUrl& url, const QString& origin)
{
    CUrl parts;
    return ParseUrl(origin, parts.m_nServiceType, parts.m_strServer, parts.m_strObject, parts.m_nPort)
        && url.IsSameOrigin(parts);
}

// With the time-outs and, for proxy access, the proxy credentials set.
HINTERNET Connect(HINTERNET session, const CUrl& url, const QString& userName, const QString& password,
                  const std::optional<ProxyCredentials>& proxy)
{
    const HINTERNET connect = InternetConnectW(session, Units(url.m_strServer), url.m_nPort, Units(userName),
                                               Units(password), INTERNET_SERVICE_HTTP, 0, kContext);
    if (connect) {
        SetConnectOptions(connect);
        if (proxy)
            SetProxyCredentials(connect, *proxy);
    }
    return connect;
}

HINTERNET OpenGet(HINTERNET connect, const CUrl& url, const std::optional<QString>& referer,
                  bool allowNoAutoRedirect)
{
    const QString version = Settings().GetString(&CAppSettingsBase::HTTPVersion);
    const HINTERNET request = HttpOpenRequestW(connect, u"GET", Units(url.m_strObject), Units(version),
                                               referer ? Units(*referer) : nullptr, kAcceptTypes,
                                               RequestFlags(allowNoAutoRedirect, IsSecure(url)), kContext);
    if (request)
        TolerateCertificateErrors(request);
    return request;
}

} // namespace

StepResult CHttpDownloader::OpenSession()
{
    CloseSession();
    const QString downloadUrl = GetDownloadUrl();
    const bool https = IsHttpsUrl(downloadUrl.isEmpty() ? m_strUrl : downloadUrl);
    const CAppSettings& settings = Settings();
    const int32_t accessType = GetRequestOptions().accessType;
    QString agent;
    QString proxy;
    QString bypass;
    {
        const auto lock = settings.ReadLock();
        agent = settings.UserAgent;
        if (accessType == Proxy)
            proxy = ProxyName(settings, https);
        if (SettingLoad(settings.UseProxyBypass))
            bypass = settings.ProxyBypass;
    }
    const HINTERNET session = InternetOpenW(Units(agent), OpenType(accessType), Units(proxy), Units(bypass),
                                            INTERNET_FLAG_NO_CACHE_WRITE);
    if (!session)
        return InternetFailure(TextId::SessionFailed, StepFailed);
    m_bHttpsProxySession = https;
    m_hSession = session;
    return StepOk;
}

StepResult CHttpDownloader::OpenRequest(bool allowNoAutoRedirect, const QString& url, CUrl& urlParts,
                                        HINTERNET& hConnect, HINTERNET& hRequest, CDownloadError* error)
{
    CDownloadError& record = error ? *error : *m_pError;
    hConnect = nullptr;
    hRequest = nullptr;
    const HINTERNET session = m_hSession;
    if (!session)
        return StepFailed;
    if (!ParseUrl(url, urlParts.m_nServiceType, urlParts.m_strServer, urlParts.m_strObject, urlParts.m_nPort)) {
        record.SetError(TextId::ParseUrlFailed, TextId::None);
        return StepFailed;
    }
    if (urlParts.m_nServiceType != AFX_INET_SERVICE_HTTP && urlParts.m_nServiceType != AFX_INET_SERVICE_HTTPS) {
        record.SetError(TextId::SchemeNotSupported, TextId::None);
        return StepFailed;
    }
    const RequestOptions options = GetRequestOptions();
    const bool authorize = options.useAuthorization && IsSameOrigin(urlParts, m_strUrl);
    // The session's proxy stays the one chosen when it was opened, whatever a
    // redirect's scheme: its own credentials, and never the other proxy's, go to it.
    std::optional<ProxyCredentials> proxy;
    if (options.accessType == Proxy)
        proxy = CopyProxyCredentials(m_bHttpsProxySession);
    const HINTERNET connect = Connect(session, urlParts, authorize ? options.userName : QString(),
                                      authorize ? options.password : QString(), proxy);
    if (!connect)
        return InternetFailure(TextId::ConnectFailed, StepRetry, &record);
    const HINTERNET request = OpenGet(connect, urlParts, Referer(options.referer, m_strUrl), allowNoAutoRedirect);
    if (!request) {
        const StepResult result = InternetFailure(TextId::OpenRequestFailed, StepRetry, &record);
        InternetCloseHandle(connect);
        return result;
    }
    // A pause ends a send or read that waits for the network.
    SetCancelEvent(request, m_pTerminateEvent.get());
    hConnect = connect;
    hRequest = request;
    return StepOk;
}

StepResult CHttpDownloader::SendRequestAndQueryStatus(HINTERNET& hConnect, HINTERNET& hRequest, int32_t& status,
                                                      CDownloadError* error)
{
    TextId failure = TextId::SendRequestFailed;
    if (HttpSendRequestW(hRequest, nullptr, 0, nullptr, 0)) {
        if (QueryStatusCode(hRequest, status))
            return StepOk;
        failure = TextId::StatusQueryFailed;
    }
    const StepResult result = InternetFailure(failure, StepRetry, error);
    CloseRequest(hConnect, hRequest);
    return result;
}

void CHttpDownloader::CloseRequest(HINTERNET& hConnect, HINTERNET& hRequest)
{
    if (hRequest)
        InternetCloseHandle(hRequest);
    if (hConnect)
        InternetCloseHandle(hConnect);
    hRequest = nullptr;
    hConnect = nullptr;
}

StepResult CHttpDownloader::InternetFailure(TextId messageId, StepResult result, CDownloadError* error)
{
    // A pause cancels what the layer was waiting for; that is no failure.
    if (m_pTerminateEvent->isSet())
        return StepStopped;
    (error ? *error : *m_pError).SetInternetError(messageId, GetLastError());
    return result;
}
