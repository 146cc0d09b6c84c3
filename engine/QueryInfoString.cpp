#include "engine/QueryInfoString.h"

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
