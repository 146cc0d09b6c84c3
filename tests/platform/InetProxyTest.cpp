// Requests through an explicit proxy (our fault server in proxy mode), the
// bypass list, and tunnels to nginx's HTTPS port.
#include "InetTestRequest.h"
#include "platform/inet/EnvironmentProxy.h"
#include "platform/inet/ProxyBypass.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

#include <gtest/gtest.h>

#include <QScopeGuard>

using namespace inet;
using F = FaultServer;

namespace {

TEST(InetProxyBypassTest, Matching)
{
    struct Case
    {
        const char* list;
        const char* host;
        int port;
        bool direct;
    };
    const Case cases[] = {
        {"<local>", "localhost", 80, true},
        {"<local>", "intranet", 8080, true},
        {"<local>", "127.0.0.1", 80, false}, // no implicit loopback bypass
        {"<local>", "example.com", 80, false},
        {"<local>", "::1", 80, false},
        {"*.example.com", "dl.example.com", 80, true},
        {"*.example.com", "example.com", 80, false},
        {"*.EXAMPLE.com", "DL.Example.COM", 80, true},
        {"10.*", "10.1.2.3", 80, true},
        {"10.*", "110.1.2.3", 80, false},
        {"a*b*c", "axxbyyc", 80, true},
        {"a*b*c", "axxbyy", 80, false},
        {"example.com", "example.com", 443, true},
        {"example.com", "www.example.com", 80, false},
        {"example.com:8080", "example.com", 8080, true},
        {"example.com:8080", "example.com", 80, false},
        {"http://example.com", "example.com", 80, true},
        {"[::1]:81", "::1", 81, true},
        {"foo.test; bar.test,  baz.test\tqux.test", "baz.test", 80, true},
        {"foo.test; bar.test", "qux.test", 80, false},
        {"", "localhost", 80, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.host);
        EXPECT_EQ(ProxyBypass(QString::fromLatin1(c.list)).matches(QString::fromLatin1(c.host), c.port), c.direct);
    }
}

// no_proxy as libcurl reads it.
TEST(InetNoProxyTest, Matching)
{
    struct Case
    {
        const char* list;
        const char* host;
        bool direct;
    };
    const Case cases[] = {
        {"*", "anything.test", true},
        {" * ", "10.0.0.1", true},
        {"*.example.com", "dl.example.com", false}, // no wildcards but "*" alone
        {"example.com", "example.com", true},
        {"example.com", "DL.Example.COM", true},
        {".example.com", "dl.example.com", true},
        {"example.com.", "example.com", true},
        {"example.com", "notexample.com", false},
        {"example.com", "example.com.org", false},
        {"a.test, example.com b.test", "example.com", true},
        {"localhost", "127.0.0.1", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.0/8", "127.1.2.3", true},
        {"127.0.0.0/24", "127.0.1.3", false},
        {"10.0.0.1", "10.0.0.10", false},
        {"::1", "::1", true},
        {"fe80::/16", "fe80::1", true},
        {"fe80::/16", "fe81::1", false},
        {"127.0.0.1", "::1", false},
        {"", "localhost", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.host);
        EXPECT_EQ(IsNoProxyHost(c.list, c.host), c.direct);
    }
}

InetTestRequest::Setup viaProxy(const F& proxy)
{
    InetTestRequest::Setup setup;
    setup.access = INTERNET_OPEN_TYPE_PROXY;
    setup.proxy = QStringLiteral("127.0.0.1:%1").arg(proxy.port());
    return setup;
}

// For http the proxy gets the absolute URL in the request line.
TEST(InetProxyTest, HttpGoesInAbsoluteForm)
{
    F proxy([](const F::Request&) { return F::answer(200, {}, "proxied"); });
    InetTestRequest request(QStringLiteral("http://127.0.0.1:9/f.bin?x=1"), viaProxy(proxy));
    ASSERT_TRUE(request.send()) << request.error();
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body));
    EXPECT_EQ(body, "proxied");
    ASSERT_EQ(proxy.requests().size(), 1);
    EXPECT_EQ(proxy.requests()[0].requestLine, "GET http://127.0.0.1:9/f.bin?x=1 HTTP/1.1");
}

// A password alone is still sent, with an empty user name (":pw" is "OnB3").
TEST(InetProxyTest, ProxyCredentials)
{
    struct Case
    {
        F::AuthScheme scheme;
        std::optional<QString> user;
        QByteArray expected; // how the Proxy-Authorization that got through begins
    };
    const Case cases[] = {
        {F::AuthScheme::Basic, std::nullopt, "Basic OnB3"},
        {F::AuthScheme::Basic, QStringLiteral("pu"), "Basic " + QByteArray("pu:pw").toBase64()},
        {F::AuthScheme::Digest, QStringLiteral("pu"), "Digest username=\"pu\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.constData());
        F proxy(F::requireAuth(c.scheme, true, c.user.value_or(QString()).toUtf8(), "pw",
                               [](const F::Request&) { return F::answer(200, {}, "ok"); }));
        InetTestRequest::Setup setup = viaProxy(proxy);
        setup.proxyUserName = c.user;
        setup.proxyPassword = QStringLiteral("pw");
        InetTestRequest request(QStringLiteral("http://127.0.0.1:9/f"), setup);
        ASSERT_TRUE(request.send()) << request.error();
        EXPECT_EQ(request.status(), 200);
        const QList<F::Request> seen = proxy.requests();
        ASSERT_EQ(seen.size(), 2);
        EXPECT_FALSE(seen[0].hasHeader("Proxy-Authorization"));
        EXPECT_TRUE(seen[1].header("Proxy-Authorization").startsWith(c.expected))
            << seen[1].header("Proxy-Authorization").constData();
    }
}

// A refused tunnel is the answer, as with any other status, with an empty body.
TEST(InetProxyTest, ARefusedTunnelIsTheAnswer)
{
    F proxy(F::requireAuth(F::AuthScheme::Basic, true, "pu", "pw", [](const F::Request&) {
        return F::answer(200);
    }));
    InetTestRequest request(QStringLiteral("https://127.0.0.1:9/f"), viaProxy(proxy));
    ASSERT_TRUE(request.send()) << request.error();
    EXPECT_EQ(request.status(), 407);
    QByteArray body;
    EXPECT_TRUE(request.readAll(&body));
    EXPECT_TRUE(body.isEmpty());
    ASSERT_EQ(proxy.requests().size(), 1);
    EXPECT_EQ(proxy.requests()[0].requestLine, "CONNECT 127.0.0.1:9 HTTP/1.1");
}

TEST(InetProxyTest, HttpsGoesThroughATunnel)
{
    NginxServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    server.putFile(QStringLiteral("t.bin"), "tunnelled");
    const quint16 target = server.httpsPort(NginxServer::Cert::SelfSigned);
    F proxy([target](const F::Request&) { return F::Script{F::tunnel(target)}; });
    InetTestRequest::Setup setup = viaProxy(proxy);
    setup.securityFlags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    InetTestRequest request(server.httpsUrl(NginxServer::Cert::SelfSigned, QStringLiteral("/t.bin")), setup);
    ASSERT_TRUE(request.send()) << request.error();
    EXPECT_EQ(request.status(), 200);
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body));
    EXPECT_EQ(body, "tunnelled");
    EXPECT_EQ(proxy.requests()[0].requestLine, "CONNECT 127.0.0.1:" + QByteArray::number(target) + " HTTP/1.1");
}

// The bypass list sends matching hosts direct, and only with an explicit proxy.
TEST(InetProxyTest, BypassedHostsGoDirect)
{
    F origin([](const F::Request&) { return F::answer(200, {}, "direct"); });
    F proxy([](const F::Request&) { return F::answer(200, {}, "proxied"); });
    InetTestRequest::Setup setup = viaProxy(proxy);
    setup.bypass = QStringLiteral("<local>");
    const QString local = QStringLiteral("http://localhost:%1/f").arg(origin.port());
    const QString loopback = QStringLiteral("http://127.0.0.1:%1/f").arg(origin.port());
    for (const auto& [url, viaProxyExpected] : {std::pair{local, false}, std::pair{loopback, true}}) {
        SCOPED_TRACE(url.toStdString());
        InetTestRequest request(url, setup);
        ASSERT_TRUE(request.send()) << request.error();
        QByteArray body;
        ASSERT_TRUE(request.readAll(&body));
        EXPECT_EQ(body, viaProxyExpected ? "proxied" : "direct");
    }
    EXPECT_EQ(origin.requests().size(), 1);
    EXPECT_EQ(proxy.requests().size(), 1);
}

// "Preconfigured" is the proxy environment; "direct" ignores it.
TEST(InetProxyTest, PreconfigFollowsTheEnvironment)
{
    F origin([](const F::Request&) { return F::answer(200, {}, "direct"); });
    F proxy([](const F::Request&) { return F::answer(200, {}, "proxied"); });
    qputenv("http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(proxy.port()).toLatin1());
    const auto unset = qScopeGuard([] { qunsetenv("http_proxy"); });
    for (const DWORD access : {INTERNET_OPEN_TYPE_PRECONFIG, INTERNET_OPEN_TYPE_DIRECT}) {
        SCOPED_TRACE(access);
        InetTestRequest::Setup setup;
        setup.access = access;
        InetTestRequest request(origin.url(QStringLiteral("/f")), setup);
        ASSERT_TRUE(request.send()) << request.error();
        QByteArray body;
        ASSERT_TRUE(request.readAll(&body));
        EXPECT_EQ(body, access == INTERNET_OPEN_TYPE_PRECONFIG ? "proxied" : "direct");
    }
}

// Whichever setting named the proxy, a failed connection to it is the proxy's
// failure; with the host exempted the connection is direct and the server's.
TEST(InetProxyTest, AnUnreachableProxyIsNamed)
{
    quint16 port = 0;
    {
        F closed([](const F::Request&) { return F::Script{}; });
        port = closed.port();
    }
    const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(port);
    const QString httpUrl = QStringLiteral("http://127.0.0.1:%1/f").arg(port);
    const QString httpsUrl = QStringLiteral("https://127.0.0.1:%1/f").arg(port);
    struct Case
    {
        const char* name;
        DWORD access;
        QList<QPair<const char*, QByteArray>> environment;
        QString url;
        DWORD error;
    };
    const Case cases[] = {
        {"proxy option", INTERNET_OPEN_TYPE_PROXY, {}, httpUrl, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"http_proxy", INTERNET_OPEN_TYPE_PRECONFIG, {{"http_proxy", dead}}, httpUrl,
         ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"https_proxy", INTERNET_OPEN_TYPE_PRECONFIG, {{"https_proxy", dead}}, httpsUrl,
         ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"HTTPS_PROXY", INTERNET_OPEN_TYPE_PRECONFIG, {{"HTTPS_PROXY", dead}}, httpsUrl,
         ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"all_proxy", INTERNET_OPEN_TYPE_PRECONFIG, {{"all_proxy", dead}}, httpUrl,
         ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"HTTP_PROXY is never read", INTERNET_OPEN_TYPE_PRECONFIG, {{"HTTP_PROXY", dead}}, httpUrl,
         ERROR_INTERNET_CANNOT_CONNECT},
        {"no_proxy", INTERNET_OPEN_TYPE_PRECONFIG, {{"http_proxy", dead}, {"no_proxy", "127.0.0.1"}}, httpUrl,
         ERROR_INTERNET_CANNOT_CONNECT},
        {"empty http_proxy", INTERNET_OPEN_TYPE_PRECONFIG, {{"http_proxy", ""}, {"ALL_PROXY", dead}}, httpUrl,
         ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {"direct", INTERNET_OPEN_TYPE_DIRECT, {{"http_proxy", dead}}, httpUrl, ERROR_INTERNET_CANNOT_CONNECT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [name, value] : c.environment)
            qputenv(name, value);
        const auto unset = qScopeGuard([&] {
            for (const auto& [name, value] : c.environment)
                qunsetenv(name);
        });
        InetTestRequest::Setup setup;
        setup.access = c.access;
        setup.proxy = QStringLiteral("127.0.0.1:%1").arg(port);
        InetTestRequest request(c.url, setup);
        EXPECT_FALSE(request.send());
        EXPECT_EQ(request.error(), c.error);
    }
}

} // namespace
