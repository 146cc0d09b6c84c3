#include "engine/QueryInfoString.h"

bool QueryInfoString(inet::HINTERNET request, inet::DWORD infoLevel, QString& text)
{
    text.clear();
    // The first call only learns the size in bytes, the NUL included.
    inet::DWORD bytes = 0;
    if (inet::HttpQueryInfoW(request, infoLevel, nullptr, &bytes, nullptr))
        return true;
    text.resize(bytes / sizeof(char16_t));
    if (!inet::HttpQueryInfoW(request, infoLevel, text.data(), &bytes, nullptr)) {
        text.clear();
        return false;
    }
    text.truncate(bytes / sizeof(char16_t));
    return true;
}
