#include "engine/HttpDownloader.h"

#include "engine/ContentDisposition.h"
#include "engine/HttpAnswer.h"
#include "engine/QueryInfoString.h"
#include "engine/ResolveUrl.h"
#include "engine/SafeFileName.h"
#include "engine/Setting.h"
#include "engine/Url.h"
#include "platform/ParseUrl.h"

using namespace inet;

namespace {

constexpr int kMaxRedirects = 6;
constexpr QStringView kByteRanges = u"bytes";
const QString kUntitled = u"Untitled"_qs;

bool IsAnswer(int32_t status)
{
    return status == 200 || status == 206;
}

bool IsRedirect(int32_t status)
{
    return status == 301 || status == 302 || status == 307 || status == 308;
}

// The first name Content-Disposition offers that makes a safe one; empty when none.
QString OfferedFileName(HINTERNET request)
{
    QString header;
    if (!QueryInfoString(request, HTTP_QUERY_CONTENT_DISPOSITION, header))
        return {};
    for (const QString& offered : DispositionFileNames(header)) {
        QString name = SafeFileName(offered);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

// Where the answer came from, the redirects that the layer followed included;
// the URL requested when the layer cannot tell.
CUrl AnsweredUrl(HINTERNET request, const CUrl& requested)
{
    QString url;
    CUrl answered;
    if (QueryOptionString(request, INTERNET_OPTION_URL, url)
        && ParseUrl(url, answered.m_nServiceType, answered.m_strServer, answered.m_strObject, answered.m_nPort))
        return answered;
    return requested;
}

// A name the server gives wins over one already chosen; either way it must be
// safe to create in the download folder.
QString ChooseTitle(const QString& chosen, HINTERNET request, const CUrl& requested)
{
    const QString offered = OfferedFileName(request);
    if (!offered.isEmpty())
        return offered;
    if (!chosen.isEmpty())
        return chosen;
    const QString fromUrl = SafeFileName(AnsweredUrl(request, requested).GetDecodedFileName());
    return fromUrl.isEmpty() ? kUntitled : fromUrl;
}

bool AcceptsRanges(HINTERNET request)
{
    QString value;
    return QueryInfoString(request, HTTP_QUERY_ACCEPT_RANGES, value)
        && value.compare(kByteRanges, Qt::CaseInsensitive) == 0;
}

SYSTEMTIME LastModified(HINTERNET request)
{
    SYSTEMTIME time;
    return QueryLastModified(request, time) ? time : ClockLastModified();
}

StepResult TakeAnswer(CHttpDownloader& download, const QString& url, const CUrl& parts, HINTERNET request)
{
    download.SetDownloadUrl(url);
    if (Setting(&CAppSettingsBase::StopIfHtmlContentReturned) && IsHtmlAnswer(request)) {
        download.m_pError->SetError(TextId::HtmlReturned, TextId::None);
        return StepFailed;
    }
    download.SetFileTitle(ChooseTitle(download.GetFileTitle(), request, parts));
    download.m_bAcceptRanges = AcceptsRanges(request);
    uint64_t size = 0;
    download.m_bGotFileSize = QueryContentLength(request, size);
    download.m_nFileSize = size;
    download.SetLastModified(LastModified(request));
    download.SetETag(QueryETag(request));
    return StepOk;
}

// On StepOk, url is the next one to request.
StepResult FollowRedirect(CHttpDownloader& download, HINTERNET request, int& redirectsLeft, QString& url)
{
    if (redirectsLeft == 0) {
        download.m_pError->SetError(TextId::PrepareFailed, TextId::TooManyRedirects);
        return StepFailed;
    }
    QString location;
    if (!QueryInfoString(request, HTTP_QUERY_LOCATION, location))
        return download.InternetFailure(TextId::LocationQueryFailed, StepRetry);
    QString next = ResolveUrl(url, location);
    // Stored, it would make the download list unreadable.
    if (next.size() > CHttpDownloader::kMaxStoredTextLength) {
        download.m_pError->SetError(TextId::PrepareFailed, TextId::UrlTooLong);
        return StepFailed;
    }
    url = std::move(next);
    --redirectsLeft;
    return StepOk;
}

StepResult RefuseStatus(CHttpDownloader& download, int32_t status)
{
    download.m_pError->SetError(TextId::PrepareFailed, StatusCodeDetail(status));
    return StepFailed;
}

} // namespace

StepResult CHttpDownloader::Prepare()
{
    QString url = m_strUrl;
    int redirectsLeft = kMaxRedirects;
    for (;;) {
        if (m_pTerminateEvent->isSet())
            return StepStopped;
        CUrl parts;
        HINTERNET connect = nullptr;
        HINTERNET request = nullptr;
        StepResult result = OpenRequest(true, url, parts, connect, request);
        if (result != StepOk)
            return result;
        int32_t status = 0;
        result = SendRequestAndQueryStatus(connect, request, status);
        if (result != StepOk)
            return result;
        const bool redirect = IsRedirect(status);
        result = IsAnswer(status) ? TakeAnswer(*this, url, parts, request)
            : redirect            ? FollowRedirect(*this, request, redirectsLeft, url)
                                  : RefuseStatus(*this, status);
        // The body is never read.
        CloseRequest(connect, request);
        if (result != StepOk || !redirect)
            return result;
    }
}
