#include "engine/SecurityFlags.h"

void AddSecurityFlags(inet::HINTERNET request, inet::DWORD flags)
{
    inet::DWORD current = 0;
    inet::DWORD length = sizeof current;
    if (!inet::InternetQueryOptionW(request, inet::INTERNET_OPTION_SECURITY_FLAGS, &current, &length))
        return;
    current |= flags;
    inet::InternetSetOptionW(request, inet::INTERNET_OPTION_SECURITY_FLAGS, &current, sizeof current);
}
