#include "engine/QueryInfoString.h"

#include "engine/ContentLength.h"

#include <algorithm>
#include <limits>

namespace {

// query(buffer, bytes) answers as the layer's text calls do.
template <typename Query> bool QueryText(Query query, QString& text)
{
    text.clear();
    // The first call only learns the size in bytes, the NUL included.
    inet::DWORD bytes = 0;
    if (query(nullptr, &bytes))
        return true;
    text.resize(bytes / sizeof(char16_t));
    if (!query(text.data(), &bytes)) {
        text.clear();
        return false;
    }
    text.truncate(bytes / sizeof(char16_t));
    return true;
}

// Leading digits after an optional sign; none gives 0.
int32_t LeadingInteger(QStringView text)
{
    text = text.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text = text.sliced(1);
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (qsizetype at = 0; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min(value * 10 + (text[at].unicode() - u'0'), kLimit);
    return int32_t(negative ? -value : value);
}

} // namespace

bool QueryInfoString(inet::HINTERNET request, inet::DWORD infoLevel, QString& text)
{
    return QueryText([&](void* buffer, inet::DWORD* bytes) {
        return inet::HttpQueryInfoW(request, infoLevel, buffer, bytes, nullptr);
    }, text);
}

bool QueryOptionString(inet::HINTERNET handle, inet::DWORD option, QString& text)
{
    return QueryText([&](void* buffer, inet::DWORD* bytes) {
        return inet::InternetQueryOptionW(handle, option, buffer, bytes);
    }, text);
}

bool QueryStatusCode(inet::HINTERNET request, int32_t& status)
{
    QString text;
    if (!QueryInfoString(request, inet::HTTP_QUERY_STATUS_CODE, text))
        return false;
    status = LeadingInteger(text);
    return true;
}

bool QueryContentLength(inet::HINTERNET request, uint64_t& length)
{
    QString text;
    return QueryInfoString(request, inet::HTTP_QUERY_CONTENT_LENGTH, text) && ParseContentLength(text, length);
}
