#pragma once

#include <QString>

#include <cstdint>

// Service types as the engine stores them in a parsed URL.
inline constexpr uint32_t AFX_INET_SERVICE_FTP = 1;
inline constexpr uint32_t AFX_INET_SERVICE_GOPHER = 2;
inline constexpr uint32_t AFX_INET_SERVICE_HTTP = 3;
inline constexpr uint32_t AFX_INET_SERVICE_HTTPS = 4107;
inline constexpr uint32_t AFX_INET_SERVICE_UNK = 0x1000;
inline constexpr uint32_t AFX_INET_SERVICE_FILE = 0x1001;
inline constexpr uint32_t AFX_INET_SERVICE_MAILTO = 0x1002;
inline constexpr uint32_t AFX_INET_SERVICE_NEWS = 0x1005;
inline constexpr uint32_t AFX_INET_SERVICE_NNTP = 0x1006;
inline constexpr uint32_t AFX_INET_SERVICE_TELNET = 0x1008;

// Splits an absolute URL "scheme://[user-info@]host[:port][/path][?query][#fragment]"
// into service type, server, object and port. Every caller that parses a URL goes
// through here, so the rules are fixed in this one place:
//
// - The text is taken as it is: nothing is trimmed, decoded or normalised.
// - The scheme is [A-Za-z][A-Za-z0-9+.-]* followed by "://", compared without case:
//   http 3/80, https 4107/443, ftp 1/21, gopher 2/70, file 0x1001/0, mailto 0x1002/0,
//   news 0x1005/0, nntp 0x1006/119, telnet 0x1008/23, any other 0x1000/0
//   (service type / default port).
// - The authority runs up to the first "/", "?" or "#". User info up to its last "@"
//   is dropped. A host in brackets (an IPv6 literal) is returned without them; after
//   the "]" only ":port" may follow. The port is 1 to 5 digits with a value from 1 to
//   65535; no port, or ":" alone, gives the scheme's default.
// - The object is the rest from the first "/" or "?", without the fragment. An empty
//   object becomes "/", and one that starts with "?" gets a "/" in front.
//
// It fails for an empty text, a missing or malformed scheme or "//", an empty host, an
// invalid port, a space in the authority and a control character (below 0x20)
// anywhere. On failure the service type is AFX_INET_SERVICE_UNK, both strings are
// empty and the port is 0.
bool ParseUrl(const QString& url, uint32_t& serviceType, QString& server, QString& object,
              uint16_t& port);
