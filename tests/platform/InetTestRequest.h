#pragma once

#include "platform/inet/Inet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The layer takes UTF-16 as char16_t.
inline const char16_t* units(const QString& text)
{
    return QStringView(text).utf16();
}

// One request through the layer as the engine makes it: session, connect and
// request handles for a URL, all closed again on destruction.
class InetTestRequest
{
public:
    struct Setup
    {
        QString verb = QStringLiteral("GET");
        QString version = QStringLiteral("HTTP/1.1");
        std::optional<QString> referer;
        inet::DWORD flags = 0;
        inet::DWORD securityFlags = 0;
        QString agent = QStringLiteral("Vandrel");
        inet::DWORD access = inet::INTERNET_OPEN_TYPE_DIRECT;
        QString proxy;
        QString bypass;
        QString userName;
        QString password;
        std::optional<QString> proxyUserName;
        std::optional<QString> proxyPassword;
        std::optional<inet::DWORD> receiveTimeout;
        std::optional<inet::DWORD> connectTimeout;
        QStringList headers; // "Name: value"
        std::optional<QString> object; // sent as given instead of the URL's (encoded) path
    };

    explicit InetTestRequest(const QString& url);
    InetTestRequest(const QString& url, const Setup& setup);
    ~InetTestRequest();
    InetTestRequest(const InetTestRequest&) = delete;
    InetTestRequest& operator=(const InetTestRequest&) = delete;

    inet::HINTERNET handle() const { return m_request; }
    // The last error of the call that failed while the request was opened, 0 when it opened.
    inet::DWORD openError() const { return m_openError; }

    // True when sent; else error() holds the last error.
    bool send();
    int status() const;
    std::optional<QString> header(inet::DWORD level) const;
    // INTERNET_OPTION_URL: where the answer came from.
    std::optional<QString> answeredUrl() const;
    // Reads to the end of the body in pieces of that size; false with error() at a failure.
    bool readAll(QByteArray* body, inet::DWORD piece = 4096);
    inet::DWORD error() const { return m_error; }

private:
    void setOption(inet::HINTERNET handle, inet::DWORD option, const std::optional<inet::DWORD>& value);
    void setText(inet::HINTERNET handle, inet::DWORD option, const std::optional<QString>& text);

    inet::HINTERNET m_session = nullptr;
    inet::HINTERNET m_connect = nullptr;
    inet::HINTERNET m_request = nullptr;
    inet::DWORD m_openError = 0;
    inet::DWORD m_error = 0;
};
