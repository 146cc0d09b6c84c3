#pragma once

#include "platform/inet/Inet.h"

// The calling thread's last response text, read by InternetGetLastResponseInfoW.
// The layer sets it only when it fails with ERROR_INTERNET_EXTENDED_ERROR.
namespace inet {

void SetResponseInfo(const QString& text, DWORD error);
void ClearResponseInfo();

} // namespace inet
