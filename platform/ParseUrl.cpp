#include "platform/ParseUrl.h"

#include <algorithm>

namespace {

struct Service
{
    QLatin1StringView scheme;
    uint32_t type;
    uint16_t defaultPort;
};

constexpr Service kServices[] = {
    {QLatin1StringView("http"), AFX_INET_SERVICE_HTTP, 80},
    {QLatin1StringView("https"), AFX_INET_SERVICE_HTTPS, 443},
    {QLatin1StringView("ftp"), AFX_INET_SERVICE_FTP, 21},
    {QLatin1StringView("gopher"), AFX_INET_SERVICE_GOPHER, 70},
    {QLatin1StringView("file"), AFX_INET_SERVICE_FILE, 0},
    {QLatin1StringView("mailto"), AFX_INET_SERVICE_MAILTO, 0},
    {QLatin1StringView("news"), AFX_INET_SERVICE_NEWS, 0},
    {QLatin1StringView("nntp"), AFX_INET_SERVICE_NNTP, 119},
    {QLatin1StringView("telnet"), AFX_INET_SERVICE_TELNET, 23},
};
constexpr Service kUnknownService{QLatin1StringView(), AFX_INET_SERVICE_UNK, 0};

constexpr int kMaxPortDigits = 5;
constexpr uint32_t kMaxPort = 65535;

struct Parts
{
    Service service = kUnknownService;
    QString server;
    QString object;
    uint16_t port = 0;
};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isSchemeChar(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'+' || c == u'.' || c == u'-';
}

bool hasControlChar(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// Length of the scheme at the start of the text, or 0 when there is none.
qsizetype schemeLength(QStringView url)
{
    if (url.isEmpty() || !isAsciiLetter(url.front()))
        return 0;
    qsizetype end = 1;
    while (end < url.size() && isSchemeChar(url[end]))
        ++end;
    return url.sliced(end).startsWith(u"://") ? end : 0;
}

Service serviceOf(QStringView scheme)
{
    for (const Service& service : kServices) {
        if (scheme.compare(service.scheme, Qt::CaseInsensitive) == 0)
            return service;
    }
    return kUnknownService;
}

// Empty text means "no port given".
bool parsePort(QStringView text, uint16_t defaultPort, uint16_t& port)
{
    if (text.isEmpty()) {
        port = defaultPort;
        return true;
    }
    if (text.size() > kMaxPortDigits || !std::all_of(text.begin(), text.end(), isAsciiDigit))
        return false;
    const uint32_t value = text.toUInt();
    if (value == 0 || value > kMaxPort)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// "host", "host:port", "[v6]" or "[v6]:port", with the user info already removed.
bool splitHostPort(QStringView hostPort, Parts& parts)
{
    QStringView host = hostPort;
    QStringView afterHost;
    if (hostPort.startsWith(u'[')) {
        const qsizetype close = hostPort.indexOf(u']');
        if (close < 0)
            return false;
        host = hostPort.sliced(1, close - 1);
        afterHost = hostPort.sliced(close + 1);
        if (!afterHost.isEmpty() && !afterHost.startsWith(u':'))
            return false;
    } else if (const qsizetype colon = hostPort.indexOf(u':'); colon >= 0) {
        host = hostPort.first(colon);
        afterHost = hostPort.sliced(colon);
    }
    if (host.isEmpty())
        return false;
    parts.server = host.toString();
    return parsePort(afterHost.isEmpty() ? afterHost : afterHost.sliced(1),
                     parts.service.defaultPort, parts.port);
}

bool parseAuthority(QStringView authority, Parts& parts)
{
    if (authority.contains(u' '))
        return false;
    const qsizetype at = authority.lastIndexOf(u'@');
    return splitHostPort(at >= 0 ? authority.sliced(at + 1) : authority, parts);
}

QString objectOf(QStringView rest)
{
    const qsizetype fragment = rest.indexOf(u'#');
    const QStringView object = fragment >= 0 ? rest.first(fragment) : rest;
    if (object.isEmpty())
        return QStringLiteral("/");
    return object.startsWith(u'?') ? u'/' + object.toString() : object.toString();
}

bool split(QStringView url, Parts& parts)
{
    if (hasControlChar(url))
        return false;
    const qsizetype schemeEnd = schemeLength(url);
    if (schemeEnd == 0)
        return false;
    parts.service = serviceOf(url.first(schemeEnd));
    const QStringView afterSlashes = url.sliced(schemeEnd + 3);
    qsizetype authorityEnd = 0;
    while (authorityEnd < afterSlashes.size() && !QStringView(u"/?#").contains(afterSlashes[authorityEnd]))
        ++authorityEnd;
    if (!parseAuthority(afterSlashes.first(authorityEnd), parts))
        return false;
    parts.object = objectOf(afterSlashes.sliced(authorityEnd));
    return true;
}

} // namespace

bool ParseUrl(const QString& url, uint32_t& serviceType, QString& server, QString& object,
              uint16_t& port)
{
    Parts parts;
    const bool parsed = split(url, parts);
    if (!parsed)
        parts = Parts();
    serviceType = parts.service.type;
    server = parts.server;
    object = parts.object;
    port = parts.port;
    return parsed;
}
