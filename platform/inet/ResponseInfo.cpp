#include "platform/inet/ResponseInfo.h"

#include <cstring>
#include <string>

namespace inet {

namespace {

thread_local std::u16string t_responseText;
thread_local DWORD t_responseError = 0;

} // namespace

void SetResponseInfo(const QString& text, DWORD error)
{
    t_responseText = text.toStdU16String();
    t_responseError = error;
}

// Every read clears it: no string is made for that, nor a write when it is clear.
void ClearResponseInfo()
{
    if (t_responseError == 0 && t_responseText.empty())
        return;
    t_responseText.clear();
    t_responseError = 0;
}

void SetThreadResponseInfoForTest(const QString& text, DWORD error)
{
    SetResponseInfo(text, error);
}

BOOL InternetGetLastResponseInfoW(DWORD* error, char16_t* buffer, DWORD* length)
{
    if (t_responseText.empty()) {
        *length = 0;
        *error = 0;
        return 1;
    }
    const DWORD size = DWORD(t_responseText.size());
    if (!buffer || *length <= size) {
        *length = size + 1;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, t_responseText.data(), size * sizeof(char16_t));
    buffer[size] = u'\0';
    *length = size;
    *error = t_responseError;
    return 1;
}

} // namespace inet
