#include "engine/HttpAnswer.h"

#include "engine/ErrorTexts.h"
#include "engine/QueryInfoString.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

#include <QLocale>

namespace {

constexpr QStringView kHtmlType = u"text/html";
constexpr QStringView kWeakPrefix = u"W/";
// Day and month names in English, whatever the user's language.
constexpr QStringView kHttpDateFormat = u"ddd, dd MMM yyyy hh:mm:ss 'GMT'";

} // namespace

QString StatusCodeDetail(int32_t status)
{
    QString detail = FormatString(LoadResString(TextId::StatusCode), uint32_t(status));
    QString reason;
    if (GetHttpStatusText(unsigned(status), reason))
        detail += u' ' + reason;
    return detail;
}

bool ContentTypeContains(inet::HINTERNET request, QStringView type)
{
    QString value;
    return QueryInfoString(request, inet::HTTP_QUERY_CONTENT_TYPE, value) && value.contains(type, Qt::CaseInsensitive);
}

bool IsHtmlAnswer(inet::HINTERNET request)
{
    return ContentTypeContains(request, kHtmlType);
}

QString QueryETag(inet::HINTERNET request)
{
    QString etag;
    QueryInfoString(request, inet::HTTP_QUERY_ETAG, etag);
    return etag;
}

bool IsStrongETag(const QString& etag)
{
    return !etag.isEmpty() && !etag.startsWith(kWeakPrefix);
}

bool QueryLastModified(inet::HINTERNET request, SYSTEMTIME& time)
{
    inet::DWORD bytes = sizeof time;
    return inet::HttpQueryInfoW(request, inet::HTTP_QUERY_LAST_MODIFIED | inet::HTTP_QUERY_FLAG_SYSTEMTIME, &time,
                                &bytes, nullptr);
}

SYSTEMTIME ClockLastModified()
{
    // At most a millisecond, once in a thousand times.
    SYSTEMTIME now = GetSystemTime();
    while (now.wMilliseconds == 0)
        now = GetSystemTime();
    return now;
}

bool IsServerLastModified(const SYSTEMTIME& time)
{
    return time.wYear != 0 && time.wMilliseconds == 0;
}

QString FormatHttpDate(const SYSTEMTIME& time)
{
    return QLocale::c().toString(DateTimeFromSystemTime(time, Qt::UTC), kHttpDateFormat);
}
