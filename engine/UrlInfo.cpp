#include "engine/UrlInfo.h"

#include "engine/QueryInfoString.h"
#include "engine/SecurityFlags.h"
#include "engine/Url.h"
#include "engine/UrlInfoDoneEvent.h"
#include "platform/ParseUrl.h"
#include "platform/SanitizerHandOff.h"
#include "platform/inet/Inet.h"

#include <QCoreApplication>

#include <system_error>
#include <thread>

using namespace inet;

namespace {

// The probe must not hang on a dead host for the layer's 60-second default.
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
constexpr DWORD_PTR kContext = 1;
constexpr int kHttpOk = 200;
constexpr int kHttpPartialContent = 206;

using InternetHandle = std::unique_ptr<Handle, BOOL (*)(HINTERNET)>;

InternetHandle own(HINTERNET handle)
{
    return InternetHandle(handle, &InternetCloseHandle);
}

const char16_t* utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

struct HeadAnswer
{
    bool succeeded = false;
    bool gotSize = false;
    uint64_t size = 0;
};

HeadAnswer readAnswer(HINTERNET request)
{
    int32_t status = 0;
    if (!QueryStatusCode(request, status) || (status != kHttpOk && status != kHttpPartialContent))
        return {};
    HeadAnswer answer{.succeeded = true};
    answer.gotSize = QueryContentLength(request, answer.size);
    return answer;
}

// Every failure is silent: the page only learns that no size came back.
HeadAnswer sendHead(const CUrl& url, const QString& userAgent)
{
    const InternetHandle session = own(InternetOpenW(utf16(userAgent), INTERNET_OPEN_TYPE_PRECONFIG,
                                                     nullptr, nullptr, INTERNET_FLAG_NO_CACHE_WRITE));
    if (!session)
        return {};
    const InternetHandle connect = own(InternetConnectW(session.get(), utf16(url.m_strServer), url.m_nPort,
                                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, kContext));
    if (!connect)
        return {};
    InternetSetOptionW(connect.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &kConnectTimeoutMs,
                       sizeof kConnectTimeoutMs);
    const DWORD flags = kRequestFlags | (url.m_nServiceType == AFX_INET_SERVICE_HTTPS ? INTERNET_FLAG_SECURE : 0);
    const char16_t* const acceptTypes[] = {u"*/*", nullptr};
    const InternetHandle request = own(HttpOpenRequestW(connect.get(), u"HEAD", utf16(url.m_strObject),
                                                        u"HTTP/1.1", nullptr, acceptTypes, flags, kContext));
    if (!request)
        return {};
    // A size is only a hint, so the probe forgives every certificate error, whatever
    // the settings say for downloads.
    AddSecurityFlags(request.get(), kAllCertificateErrors);
    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0))
        return {};
    return readAnswer(request.get());
}

// Only http and https are probed: any other scheme would be sent as plain HTTP to
// its port, and a size shown for a URL that cannot be downloaded.
HeadAnswer probe(const QString& text, const QString& userAgent)
{
    CUrl url;
    if (!ParseUrl(text, url.m_nServiceType, url.m_strServer, url.m_strObject, url.m_nPort))
        return {};
    if (url.m_nServiceType != AFX_INET_SERVICE_HTTP && url.m_nServiceType != AFX_INET_SERVICE_HTTPS)
        return {};
    return sendHead(url, userAgent);
}

} // namespace

bool CUrlInfo::Start(const QString& url, QObject* notifyTarget, const QString& userAgent)
{
    std::shared_ptr<CUrlInfo> self = shared_from_this();
    // The mark goes up before the thread exists, so a probe that ends at once
    // cannot leave it set.
    if (m_bRunning.exchange(true, std::memory_order_acq_rel))
        return false;
    m_bDone = false;
    m_bSucceeded = false;
    m_strUrl = url;
    SetNotifyTarget(notifyTarget);
    try {
        std::thread(&CUrlInfo::UrlInfoThreadProc, std::move(self), userAgent).detach();
    } catch (const std::system_error&) {
        m_bRunning.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

bool CUrlInfo::IsRunning() const
{
    return m_bRunning.load(std::memory_order_acquire);
}

void CUrlInfo::ClearNotifyTarget()
{
    SetNotifyTarget(nullptr);
}

void CUrlInfo::SetNotifyTarget(QObject* target)
{
    const std::lock_guard lock(m_notifyMutex);
    m_pNotifyWnd = target;
}

void CUrlInfo::UrlInfoThreadProc(std::shared_ptr<CUrlInfo> info, QString userAgent)
{
    const HeadAnswer answer = probe(info->m_strUrl, userAgent);
    // A failed probe keeps the size of an earlier one; m_bSucceeded tells them apart.
    if (answer.succeeded) {
        info->m_bGotSize = answer.gotSize;
        info->m_nSize = answer.size;
    }
    info->m_bSucceeded = answer.succeeded;
    info->EndProbe();
}

// The mark is cleared before the post, so the page may start the next probe as soon
// as the result arrives. The post happens under the notify lock, so the target
// cannot be destroyed (its destructor clears it under the same lock) meanwhile.
void CUrlInfo::EndProbe()
{
    m_bDone = true;
    // Copied before the mark is cleared: from then on a new probe may rewrite the fields.
    auto event = std::make_unique<UrlInfoDoneEvent>(*this);
    const std::lock_guard lock(m_notifyMutex);
    m_bRunning.store(false, std::memory_order_release);
    if (m_pNotifyWnd) {
        HandOffPosted(this);
        QCoreApplication::postEvent(m_pNotifyWnd, event.release());
    }
}
