#pragma once

// A WinINet-shaped HTTP layer over libcurl: WinINet's call names, numbers and
// error codes, with our own texts. Every failing call sets the calling thread's
// last error (GetLastError below), as WinINet does.
//
// Behaviour worth knowing:
// - One session is a libcurl share of the DNS cache only; every request has its
//   own easy and multi handle and its own connection, driven only by the thread
//   that uses it.
// - HttpSendRequestW returns once the final response's header block is known;
//   the body is pulled by InternetReadFile, which fills the caller's buffer
//   unless the body ends (TRUE with 0 bytes = end of the body).
// - Redirects (301, 302, 303, 307, 308) are followed by the layer itself, at
//   most 10 hops, http and https only, server credentials dropped when the
//   origin changes; INTERNET_FLAG_NO_AUTO_REDIRECT hands every 3xx back.
// - Only chunked framing is undone: an answer whose Transfer-Encoding names any
//   other coding fails the send with ERROR_HTTP_INVALID_SERVER_RESPONSE before
//   a byte of its body is read, and a Content-Encoding is kept as sent.
// - A referer that names an https page is not sent to an http URL, the hop of a
//   redirect included.
// - Strings are UTF-16 (char16_t), never wchar_t.

#include <QString>

#include <cstdint>

class ManualResetEvent;

namespace inet {

using DWORD = uint32_t;
using BOOL = int;
using INTERNET_PORT = uint16_t;
using DWORD_PTR = uintptr_t;

class Handle;
using HINTERNET = Handle*;

// InternetOpenW access types.
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0; // the proxy environment variables
inline constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

inline constexpr DWORD INTERNET_SERVICE_HTTP = 3;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Request flags. Only SECURE and NO_AUTO_REDIRECT change anything: there is no
// cache and no cookie engine, and keep-alive is the default.
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
inline constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
inline constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;

// INTERNET_OPTION_SECURITY_FLAGS bits: each forgives one kind of certificate error.
inline constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION = 0x00000080; // never checked anyway
inline constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x00000100;
inline constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE = 0x00000200;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_WEAK_SIGNATURE = 0x00010000;

// HttpAddRequestHeadersW modifiers (ADD | REPLACE: replace a line of the same name, else add).
inline constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
inline constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

// HttpQueryInfoW levels.
inline constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
inline constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
inline constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
inline constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
inline constexpr DWORD HTTP_QUERY_LOCATION = 33;
inline constexpr DWORD HTTP_QUERY_RETRY_AFTER = 36;
inline constexpr DWORD HTTP_QUERY_ACCEPT_RANGES = 42;
inline constexpr DWORD HTTP_QUERY_CONTENT_DISPOSITION = 47;
inline constexpr DWORD HTTP_QUERY_CONTENT_RANGE = 53;
inline constexpr DWORD HTTP_QUERY_ETAG = 54;
inline constexpr DWORD HTTP_QUERY_FLAG_SYSTEMTIME = 0x40000000; // only with LAST_MODIFIED

// Options (InternetSetOptionW / InternetQueryOptionW).
inline constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;  // ms, 4 bytes
inline constexpr DWORD INTERNET_OPTION_CONNECT_RETRIES = 3;  // stored only
inline constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;     // stored only
inline constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;  // ms, idle limit
inline constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;  // requests only
inline constexpr DWORD INTERNET_OPTION_URL = 34;             // requests only, read only: see below
inline constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;  // UTF-16 text, length in units with NUL
inline constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;
inline constexpr DWORD INTERNET_OPTION_MAX_CONNS_PER_SERVER = 73;     // null handle, no effect
inline constexpr DWORD INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER = 74; // null handle, no effect
inline constexpr DWORD INTERNET_OPTION_MAX_CONNS_PER_PROXY = 103;     // null handle, no effect

// Error codes the layer sets.
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
inline constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
inline constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
inline constexpr DWORD ERROR_INTERNET_LOGIN_FAILURE = 12015;
inline constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
inline constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
inline constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
inline constexpr DWORD ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED = 12044;
inline constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_REV_FAILED = 12057;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE = 12062;
inline constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
inline constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
inline constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
inline constexpr DWORD ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
inline constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
inline constexpr DWORD ERROR_INTERNET_PROXY_SERVER_UNREACHABLE = 12165;
inline constexpr DWORD ERROR_INTERNET_SEC_INVALID_CERT = 12169;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_REVOKED = 12170;

// Process set-up: libcurl's global init and SIGPIPE ignored. The program calls
// it at start-up before any thread; InternetOpenW calls it too, so it is safe
// to rely on lazily (it runs once).
void GlobalInit();

// Per-thread last error of the layer's calls.
DWORD GetLastError();
void SetLastError(DWORD code);

// proxy is "host:port" (port 0 = 80) and used only with INTERNET_OPEN_TYPE_PROXY,
// as is the bypass list ("<local>" = a host without a dot; other entries are host
// patterns with '*'; separated by ';', ',' or white space). Preconfigured access
// takes the environment's proxy (EnvironmentProxy.h). flags are ignored.
HINTERNET InternetOpenW(const char16_t* agent, DWORD accessType, const char16_t* proxy,
                        const char16_t* proxyBypass, DWORD flags);

// No network activity. Port 0 = the scheme's default; empty user and password
// mean no credentials. context is ignored.
HINTERNET InternetConnectW(HINTERNET session, const char16_t* server, INTERNET_PORT port,
                           const char16_t* userName, const char16_t* password, DWORD service,
                           DWORD flags, DWORD_PTR context);

// acceptTypes is a null-terminated array, or null. version "HTTP/1.0" gives
// HTTP/1.0 (over TLS offering no ALPN protocol), anything else HTTP/1.1. A CR or LF in the agent, version or referer
// fails with ERROR_INVALID_PARAMETER.
HINTERNET HttpOpenRequestW(HINTERNET connect, const char16_t* verb, const char16_t* object,
                           const char16_t* version, const char16_t* referer,
                           const char16_t* const* acceptTypes, DWORD flags, DWORD_PTR context);

// "Name: value\r\n" lines; length in units, or DWORD(-1) for NUL-terminated text.
BOOL HttpAddRequestHeadersW(HINTERNET request, const char16_t* headers, DWORD length,
                            DWORD modifiers);

// Extra headers are added as by HttpAddRequestHeadersW(ADD | REPLACE); a request
// body is not supported (ERROR_INVALID_PARAMETER). A second send gives 12019.
BOOL HttpSendRequestW(HINTERNET request, const char16_t* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength);

// Sizes in bytes. Text levels give UTF-16 with a NUL; *bufferLength is then the
// text's size without the NUL. Too small a buffer: ERROR_INSUFFICIENT_BUFFER with
// *bufferLength = the size needed. LAST_MODIFIED | FLAG_SYSTEMTIME fills a
// SYSTEMTIME (16 bytes, UTC). index is ignored (the first header of a name wins).
BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength,
                    DWORD* index);

BOOL InternetReadFile(HINTERNET request, void* buffer, DWORD bytesToRead, DWORD* bytesRead);

// INTERNET_OPTION_URL is the URL of the request's answer, the redirects the layer
// followed included, as it went on the wire (encoded), in UTF-16: its sizes are
// those of the text levels of HttpQueryInfoW.
BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, void* buffer, DWORD* bufferLength);
BOOL InternetSetOptionW(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength);

BOOL InternetCloseHandle(HINTERNET handle);

// The server's (here: the transport's) last response text of this thread.
// Lengths in UTF-16 units, as WinINet's.
BOOL InternetGetLastResponseInfoW(DWORD* error, char16_t* buffer, DWORD* length);

// The layer's own text for one of its codes, without a trailing line break;
// empty for a code it never produces.
QString ErrorText(DWORD code);

// Not WinINet. Setting the event ends a send or read of this request that is
// blocked waiting for the network: the call returns what is buffered (a read),
// else fails with ERROR_INTERNET_OPERATION_CANCELLED. The event must outlive the
// request, or be detached again with a null event.
BOOL SetCancelEvent(HINTERNET request, ManualResetEvent* event);

// Tests only: every request also trusts the certificates in this PEM file (empty = none).
void SetTestCaFile(const QString& path);

// Tests only: sets this thread's response text directly.
void SetThreadResponseInfoForTest(const QString& text, DWORD error = 0);

} // namespace inet
