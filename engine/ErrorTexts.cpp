#include "engine/ErrorTexts.h"

#include "platform/StringTable.h"
#include "platform/inet/Inet.h"

#include <algorithm>
#include <string>

namespace {

constexpr qsizetype kMaxErrorText = 511;
// Beyond this many units (the text and its NUL) the response text is refused.
constexpr inet::DWORD kMaxResponseLength = 512;
constexpr unsigned kReasonPhraseBase = 40000;

struct StatusRange
{
    unsigned first;
    unsigned last;
};

// The codes with a reason phrase in the string table (40000 + code).
constexpr StatusRange kKnownStatuses[] = {
    {100, 103}, {200, 208}, {226, 226}, {300, 308}, {400, 418}, {421, 426},
    {428, 429}, {431, 431}, {451, 451}, {500, 508}, {510, 511},
};

// The texts end up inside one-line displays.
QString WithoutLineEnd(QString text)
{
    while (text.endsWith(u'\r') || text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

bool GetLastResponseText(QString& text)
{
    inet::DWORD error = 0;
    inet::DWORD length = 0;
    if (inet::InternetGetLastResponseInfoW(&error, nullptr, &length)
        || inet::GetLastError() != inet::ERROR_INSUFFICIENT_BUFFER)
        return true;
    if (length > kMaxResponseLength)
        return false;
    std::u16string buffer(length, u'\0');
    if (!inet::InternetGetLastResponseInfoW(&error, buffer.data(), &length))
        return false;
    text = WithoutLineEnd(QString::fromUtf16(buffer.data(), std::min<qsizetype>(length, kMaxErrorText)));
    return true;
}

} // namespace

bool GetInternetErrorText(uint32_t code, QString& text)
{
    text.clear();
    const QString tableText = inet::ErrorText(code);
    if (tableText.isEmpty())
        return false;
    if (code == inet::ERROR_INTERNET_EXTENDED_ERROR)
        return GetLastResponseText(text);
    text = WithoutLineEnd(tableText.left(kMaxErrorText));
    return true;
}

bool GetHttpStatusText(unsigned status, QString& text)
{
    for (const StatusRange& range : kKnownStatuses) {
        if (status >= range.first && status <= range.last) {
            text = LoadResString(TextId(kReasonPhraseBase + status));
            return true;
        }
    }
    return false;
}
