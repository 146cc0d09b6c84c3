#include "engine/HttpAnswer.h"

#include "engine/ErrorTexts.h"
#include "engine/QueryInfoString.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

namespace {

constexpr unsigned kMsgStatusCode = 138;
constexpr QStringView kHtmlType = u"text/html";

} // namespace

QString StatusCodeDetail(int32_t status)
{
    QString detail = FormatString(LoadResString(kMsgStatusCode), uint32_t(status));
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
