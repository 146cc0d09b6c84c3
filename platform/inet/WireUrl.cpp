#include "platform/inet/WireUrl.h"

#include <curl/curl.h>

#include <memory>

namespace inet {

namespace {

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

std::optional<QByteArray> part(CURLU* url, CURLUPart which, unsigned flags = 0)
{
    char* value = nullptr;
    if (curl_url_get(url, which, &value, flags) != CURLUE_OK)
        return std::nullopt;
    QByteArray result(value);
    curl_free(value);
    return result;
}

} // namespace

std::optional<WireUrl> WireUrl::compose(bool secure, const QByteArray& host, int port,
                                        const QByteArray& object)
{
    QByteArray text = secure ? "https://" : "http://";
    text += host.contains(':') ? '[' + host + ']' : host;
    if (port)
        text += ':' + QByteArray::number(port);
    if (!object.startsWith('/'))
        text += '/';
    text += encode(object);
    return fromText(text);
}

std::optional<WireUrl> WireUrl::resolve(const QByteArray& reference) const
{
    return fromText(encode(reference), m_text);
}

std::optional<WireUrl> WireUrl::fromText(const QByteArray& text, const QByteArray& base)
{
    UrlHandle url(curl_url());
    if (!url)
        return std::nullopt;
    if (!base.isEmpty() && curl_url_set(url.get(), CURLUPART_URL, base.constData(), 0) != CURLUE_OK)
        return std::nullopt;
    if (curl_url_set(url.get(), CURLUPART_URL, text.constData(), 0) != CURLUE_OK)
        return std::nullopt;
    const auto full = part(url.get(), CURLUPART_URL);
    const auto scheme = part(url.get(), CURLUPART_SCHEME);
    const auto host = part(url.get(), CURLUPART_HOST);
    const auto port = part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!full || !scheme || !host || !port)
        return std::nullopt;
    WireUrl result;
    result.m_text = *full;
    result.m_scheme = scheme->toLower();
    result.m_host = host->startsWith('[') ? host->mid(1, host->size() - 2) : *host;
    result.m_port = port->toInt();
    return result;
}

QByteArray WireUrl::encode(const QByteArray& bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr QByteArrayView kUnsafe = "\"<>\\^`{|}";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (byte <= 0x20 || byte >= 0x7F || kUnsafe.contains(c)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

bool WireUrl::sameOrigin(const WireUrl& other) const
{
    return m_scheme == other.m_scheme && m_port == other.m_port
        && m_host.compare(other.m_host, Qt::CaseInsensitive) == 0;
}

} // namespace inet
