#pragma once

#include <QByteArray>

#include <optional>

namespace inet {

// An absolute http or https URL as it goes on the wire, checked by libcurl's URL
// parser, with the parts the layer compares (origin) and matches (proxy bypass).
class WireUrl
{
public:
    // scheme://host[:port]object; a host with ':' gets brackets, port 0 means the
    // scheme's default, the object is encoded by encode(). Empty when libcurl refuses it.
    static std::optional<WireUrl> compose(bool secure, const QByteArray& host, int port,
                                          const QByteArray& object);

    // A Location resolved against this URL (RFC 3986: relative paths, "//host/..."
    // and absolute URLs); empty when it does not resolve.
    std::optional<WireUrl> resolve(const QByteArray& reference) const;

    // Every byte at or below 0x20 or at or above 0x7F, and " < > \ ^ ` { | }, as
    // %XX; '%' and the reserved characters stay, so existing escapes survive.
    static QByteArray encode(const QByteArray& bytes);

    const QByteArray& text() const { return m_text; }
    bool isHttp() const { return m_scheme == "http" || m_scheme == "https"; }
    const QByteArray& scheme() const { return m_scheme; }
    QByteArray host() const { return m_host; } // without brackets
    int port() const { return m_port; }        // the scheme's default when none is named
    bool sameOrigin(const WireUrl& other) const;

private:
    static std::optional<WireUrl> fromText(const QByteArray& text, const QByteArray& base = {});

    QByteArray m_text;
    QByteArray m_scheme;
    QByteArray m_host;
    int m_port = 0;
};

} // namespace inet
