#pragma once

// A WinINet-shaped HTTP layer over libcurl: WinINet's call names, numbers and
// error codes, with our own texts.

#include <QString>

#include <cstdint>

namespace inet {

using DWORD = uint32_t;
using BOOL = int;
using INTERNET_PORT = uint16_t;

class Handle;
using HINTERNET = Handle*;

inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;

// Per-thread last error of the layer's calls.
DWORD GetLastError();
void SetLastError(DWORD code);

BOOL InternetCloseHandle(HINTERNET handle);

// The server's (here: the transport's) last response text of this thread.
// Lengths in UTF-16 units, as WinINet's.
BOOL InternetGetLastResponseInfoW(DWORD* error, char16_t* buffer, DWORD* length);

// The layer's own text for one of its codes; empty for a code it never produces.
QString ErrorText(DWORD code);

// Sets this thread's response text directly (tests only).
void SetThreadResponseInfoForTest(const QString& text, DWORD error = 0);

} // namespace inet
