#pragma once

#include "platform/inet/Inet.h"

#include <QString>

#include <cstdint>

// One response header of a sent request as text. False, with the text empty, when
// the header cannot be read (also when the answer has no such header).
bool QueryInfoString(inet::HINTERNET request, inet::DWORD infoLevel, QString& text);

// The status code of a sent request: its leading digits, 0 where there are none.
// False when the layer gives no status line.
bool QueryStatusCode(inet::HINTERNET request, int32_t& status);

// The Content-Length of a sent request when it is a plain number (see
// ParseContentLength); false when it is absent or no such number.
bool QueryContentLength(inet::HINTERNET request, uint64_t& length);

// The same for a text option of a handle, such as INTERNET_OPTION_URL.
bool QueryOptionString(inet::HINTERNET handle, inet::DWORD option, QString& text);
