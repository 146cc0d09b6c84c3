#include "DownloadFixture.h"

#include "engine/QueryInfoString.h"
#include "engine/Url.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"
#include "support/PollUntil.h"

#include <QScopeGuard>
#include <QTcpServer>

#include <thread>

using namespace inet;

namespace {

constexpr int kSlowAnswerMs = 3000;

// One request of a download: open, send, status; the handles closed again.
struct Exchange
{
    StepResult opened = StepFailed;
    StepResult sent = StepFailed;
    int32_t status = 0;
    bool handlesClosed = false;
};

Exchange exchange(CHttpDownloader& download, const QString& url, bool allowNoAutoRedirect = true)
{
    Exchange result;
    CUrl parts;
    HINTERNET connect = nullptr;
    HINTERNET request = nullptr;
    result.opened = download.OpenRequest(allowNoAutoRedirect, url, parts, connect, request);
    if (result.opened != StepOk) {
        result.handlesClosed = !connect && !request;
        return result;
    }
    result.sent = download.SendRequestAndQueryStatus(connect, request, result.status);
    result.handlesClosed = !connect && !request;
    CHttpDownloader::CloseRequest(connect, request);
    return result;
}

QString errorText(const CHttpDownloader& download)
{
    return download.m_pError->GetText();
}

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

FaultServer::Responder answering(int status, const QByteArray& headers = {})
{
    return [=](const FaultServer::Request&) { return FaultServer::answer(status, headers, "body"); };
}

} // namespace

class Session : public DownloadFixture
{
};

TEST_F(Session, TheRequestOnTheWireWithTheDefaults)
{
    onWorker([&] {
        FaultServer server(answering(200));
        const QString url = server.url("/dir/f.bin");
        auto download = openDownload(url);
        const Exchange result = exchange(*download, url);
        EXPECT_EQ(result.opened, StepOk);
        EXPECT_EQ(result.sent, StepOk);
        EXPECT_EQ(result.status, 200);

        const QList<FaultServer::Request> requests = server.requests();
        ASSERT_EQ(requests.size(), 1);
        const FaultServer::Request& request = requests[0];
        EXPECT_EQ(request.requestLine, "GET /dir/f.bin HTTP/1.1");
        EXPECT_EQ(request.header("User-Agent"), "Vandrel");
        EXPECT_EQ(request.header("Accept"), "*/*");
        EXPECT_EQ(request.header("Referer"), url.toUtf8());
        for (const char* absent : {"Range", "Cookie", "Accept-Encoding", "Authorization", "Pragma"})
            EXPECT_FALSE(request.hasHeader(absent)) << absent;
    });
}

TEST_F(Session, VersionAgentAndRefererComeFromTheSettingsAndTheDownload)
{
    onWorker([&] {
        FaultServer server(answering(200));
        set(&CAppSettingsBase::HTTPVersion, u"HTTP/1.0"_qs);
        set(&CAppSettingsBase::UserAgent, u"Agent/2"_qs);
        struct Case
        {
            QString ownReferer;
            int32_t autoReferer;
            QByteArray expected; // null: no Referer at all
        };
        const QString entered = server.url("/entered");
        const Case cases[] = {
            {u"http://ref.example/page"_qs, 1, "http://ref.example/page"},
            // What a Referer shows of a page: no user info, no fragment, and no
            // https page at all to a plain http server.
            {u"http://user:pw@ref.example/page#part"_qs, 1, "http://ref.example/page"},
            {u"https://ref.example/page"_qs, 1, {}},
            // The URL as entered, also for a request that goes somewhere else.
            {{}, 1, entered.toUtf8()},
            {{}, 0, {}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.expected.toStdString());
            set(&CAppSettingsBase::AutoCreateRefererString, c.autoReferer);
            auto download = openDownload(entered);
            download->m_strReferer = c.ownReferer;
            ASSERT_EQ(exchange(*download, server.url("/elsewhere")).status, 200);
            const FaultServer::Request request = server.requests().last();
            EXPECT_EQ(request.requestLine, "GET /elsewhere HTTP/1.0");
            EXPECT_EQ(request.header("User-Agent"), "Agent/2");
            EXPECT_EQ(request.hasHeader("Referer"), !c.expected.isNull());
            EXPECT_EQ(request.header("Referer"), c.expected);
        }
    });
}

TEST_F(Session, CredentialsGoOnlyWithAuthorisationOn)
{
    onWorker([&] {
        FaultServer server(FaultServer::requireAuth(FaultServer::AuthScheme::Basic, false, "u", "p", answering(200)));
        const QString url = server.url("/secret");
        for (const int32_t authorize : {0, 1}) {
            SCOPED_TRACE(authorize);
            auto download = openDownload(url);
            download->m_bUseAuthorization = authorize;
            download->m_strUserName = u"u"_qs;
            download->m_strPassword = u"p"_qs;
            const int before = int(server.requests().size());
            EXPECT_EQ(exchange(*download, url).status, authorize ? 200 : 401);
            const QList<FaultServer::Request> requests = server.requests().mid(before);
            ASSERT_FALSE(requests.isEmpty());
            EXPECT_FALSE(requests.first().hasHeader("Authorization"));
            if (authorize)
                EXPECT_EQ(requests.last().header("Authorization"), "Basic dTpw");
            else
                EXPECT_EQ(requests.size(), 1);
        }
    });
}

TEST_F(Session, ConnectHandleCarriesTheTimeOutsAndTheRequestTheTolerances)
{
    onWorker([&] {
        set(&CAppSettingsBase::ConnectRetries, 7);
        set(&CAppSettingsBase::ConnectTimeout, 1234);
        set(&CAppSettingsBase::SendTimeout, 2345);
        set(&CAppSettingsBase::ReceiveTimeout, 3456);
        set(&CAppSettingsBase::IgnoreRevocation, 0);
        set(&CAppSettingsBase::IgnoreWrongUsage, 0);
        const QString url = u"https://127.0.0.1:1/x"_qs;
        auto download = openDownload(url);
        CUrl parts;
        HINTERNET connect = nullptr;
        HINTERNET request = nullptr;
        ASSERT_EQ(download->OpenRequest(true, url, parts, connect, request), StepOk);
        EXPECT_EQ(parts.m_nServiceType, 4107u);
        EXPECT_EQ(parts.m_strServer, "127.0.0.1");
        EXPECT_EQ(parts.m_nPort, 1);
        const std::pair<DWORD, DWORD> options[] = {
            {INTERNET_OPTION_CONNECT_RETRIES, 7},
            {INTERNET_OPTION_CONNECT_TIMEOUT, 1234},
            {INTERNET_OPTION_SEND_TIMEOUT, 2345},
            {INTERNET_OPTION_RECEIVE_TIMEOUT, 3456},
        };
        for (const auto& [option, expected] : options) {
            DWORD value = 0;
            DWORD length = sizeof value;
            ASSERT_TRUE(InternetQueryOptionW(connect, option, &value, &length)) << option;
            EXPECT_EQ(value, expected) << option;
        }
        DWORD flags = 0;
        DWORD length = sizeof flags;
        ASSERT_TRUE(InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &length));
        EXPECT_EQ(flags, SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WEAK_SIGNATURE
                             | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID);
        CHttpDownloader::CloseRequest(connect, request);
        EXPECT_EQ(connect, nullptr);
        EXPECT_EQ(request, nullptr);
    });
}

// Only the preparing step may ask to see redirects, and only when so configured.
TEST_F(Session, RedirectsComeBackOnlyWhenAllowedAndConfigured)
{
    onWorker([&] {
        FaultServer server([](const FaultServer::Request& request) {
            return request.target == "/from" ? FaultServer::answer(302, "Location: /to\r\n")
                                             : FaultServer::answer(200);
        });
        const struct
        {
            bool allow;
            int32_t internally;
            int32_t status;
        } cases[] = {{true, 1, 302}, {true, 0, 200}, {false, 1, 200}, {false, 0, 200}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.allow << c.internally);
            set(&CAppSettingsBase::HandleRedirectInternally, c.internally);
            auto download = openDownload(server.url("/from"));
            EXPECT_EQ(exchange(*download, server.url("/from"), c.allow).status, c.status);
        }
    });
}

TEST_F(Session, UrlsThatCannotBeRequestedFailForGoodWithoutAConnection)
{
    onWorker([&] {
        FaultServer server(answering(200));
        const struct
        {
            QString url;
            QString text;
        } cases[] = {
            {u"ftp://127.0.0.1:%1/x"_qs.arg(server.port()), u"不支持 URL 方案。"_qs},
            {u"a.zip"_qs, u"解析 URL 失败。"_qs},
            {u"http://127.0.0.1:%1/a b\n"_qs.arg(server.port()), u"解析 URL 失败。"_qs},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.url.toStdString());
            auto download = openDownload(c.url);
            const Exchange result = exchange(*download, c.url);
            EXPECT_EQ(result.opened, StepFailed);
            EXPECT_TRUE(result.handlesClosed);
            EXPECT_EQ(errorText(*download), c.text);
        }
        EXPECT_TRUE(server.requests().isEmpty());

        // Without a session there is nothing to record.
        auto download = makeDownload(server.url("/x"));
        EXPECT_EQ(exchange(*download, server.url("/x")).opened, StepFailed);
        EXPECT_EQ(download->m_pError->m_nErrorCounter, 0);
    });
}

TEST_F(Session, FailedSendsMayBeRetriedAndCloseBothHandles)
{
    onWorker([&] {
        FaultServer stalled([](const FaultServer::Request&) { return FaultServer::Script{FaultServer::stall()}; });
        set(&CAppSettingsBase::ReceiveTimeout, 300);
        const struct
        {
            QString url;
            QString text;
        } cases[] = {
            {u"http://127.0.0.1:%1/x"_qs.arg(closedPort()), u"发送请求失败。 无法与服务器建立连接。 (12029)"_qs},
            {stalled.url("/x"), u"发送请求失败。 请求超时。 (12002)"_qs},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.url.toStdString());
            auto download = openDownload(c.url);
            const Exchange result = exchange(*download, c.url);
            EXPECT_EQ(result.opened, StepOk);
            EXPECT_EQ(result.sent, StepRetry);
            EXPECT_TRUE(result.handlesClosed);
            EXPECT_EQ(errorText(*download), c.text);
        }
    });
}

// Without the cancel hook the send would wait for the answer and succeed.
TEST_F(Session, APauseEndsAWaitingSendWithoutAnError)
{
    onWorker([&] {
        FaultServer server([](const FaultServer::Request&) {
            return FaultServer::Script{FaultServer::wait(kSlowAnswerMs)} + FaultServer::answer(200);
        });
        auto download = openDownload(server.url("/x"));
        std::thread pause([&download, &server] {
            // Once the request is in, the send waits for the answer.
            PollUntil([&server] { return !server.requests().isEmpty(); }, kSlowAnswerMs);
            download->m_pTerminateEvent->set();
        });
        const Exchange result = exchange(*download, server.url("/x"));
        pause.join();
        EXPECT_EQ(result.opened, StepOk);
        EXPECT_EQ(result.sent, StepStopped);
        EXPECT_TRUE(result.handlesClosed);
        EXPECT_EQ(download->m_pError->m_nErrorCounter, 0);
    });
}

TEST_F(Session, ProxyIsChosenByTheDownloadUrl)
{
    onWorker([&] {
        FaultServer httpProxy(answering(200));
        FaultServer httpsProxy(answering(403)); // refuses every tunnel
        set(&CAppSettingsBase::HttpProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpProxyPort, httpProxy.port());
        set(&CAppSettingsBase::HttpsProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpsProxyPort, httpsProxy.port());
        const QString plain = u"http://127.0.0.1:9/f.bin"_qs;
        const QString secure = u"https://127.0.0.1:9/f.bin"_qs;

        auto download = openDownload(plain, Proxy);
        EXPECT_EQ(exchange(*download, plain).status, 200);
        ASSERT_EQ(httpProxy.requests().size(), 1);
        EXPECT_EQ(httpProxy.requests()[0].requestLine, "GET http://127.0.0.1:9/f.bin HTTP/1.1");

        download = openDownload(secure, Proxy);
        EXPECT_EQ(exchange(*download, secure).status, 403);
        ASSERT_EQ(httpsProxy.requests().size(), 1);
        EXPECT_EQ(httpsProxy.requests()[0].requestLine, "CONNECT 127.0.0.1:9 HTTP/1.1");

        // The URL after redirects, when known, decides over the URL as entered.
        download = makeDownload(secure, Proxy);
        download->SetDownloadUrl(plain);
        ASSERT_EQ(download->OpenSession(), StepOk);
        EXPECT_EQ(exchange(*download, plain).status, 200);
        EXPECT_EQ(httpProxy.requests().size(), 2);
        EXPECT_EQ(httpsProxy.requests().size(), 1);
    });
}

// With only a password set, the challenge is still answered, with an empty user name.
TEST_F(Session, ProxyPasswordWithoutUserName)
{
    onWorker([&] {
        FaultServer proxy(FaultServer::requireAuth(FaultServer::AuthScheme::Basic, true, "", "pw", answering(200)));
        set(&CAppSettingsBase::HttpProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpProxyPort, proxy.port());
        set(&CAppSettingsBase::HttpProxyPassword, u"pw"_qs);
        // The pair of the other scheme is never used for an http URL.
        set(&CAppSettingsBase::HttpsProxyUserName, u"other"_qs);
        set(&CAppSettingsBase::HttpsProxyPassword, u"other"_qs);
        const QString url = u"http://127.0.0.1:9/f.bin"_qs;
        auto download = openDownload(url, Proxy);
        EXPECT_EQ(exchange(*download, url).status, 200);
        EXPECT_EQ(proxy.requests().last().header("Proxy-Authorization"), "Basic OnB3");

        // Proxy credentials belong to proxy access only.
        FaultServer origin(answering(200));
        download = openDownload(origin.url("/f.bin"), Direct);
        EXPECT_EQ(exchange(*download, origin.url("/f.bin")).status, 200);
        EXPECT_FALSE(origin.requests().last().hasHeader("Proxy-Authorization"));
    });
}

TEST_F(Session, BypassListOnlyWhenSwitchedOn)
{
    onWorker([&] {
        FaultServer proxy(answering(200));
        FaultServer origin(answering(200));
        set(&CAppSettingsBase::HttpProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpProxyPort, proxy.port());
        ASSERT_EQ(settings().ProxyBypass, "<local>");
        const QString url = u"http://localhost:%1/f.bin"_qs.arg(origin.port());
        for (const int32_t bypass : {1, 0}) {
            SCOPED_TRACE(bypass);
            set(&CAppSettingsBase::UseProxyBypass, bypass);
            auto download = openDownload(url, Proxy);
            EXPECT_EQ(exchange(*download, url).status, 200);
        }
        EXPECT_EQ(origin.requests().size(), 1);
        EXPECT_EQ(proxy.requests().size(), 1);
    });
}

// The proxy server as people type it reaches the proxy.
TEST_F(Session, ProxyServerAsTyped)
{
    onWorker([&] {
        FaultServer v4(answering(200));
        FaultServer v6(answering(200), FaultServer::Loopback::V6);
        const std::pair<QString, const FaultServer*> cases[] = {
            {u"  127.0.0.1 "_qs, &v4}, {u"http://127.0.0.1"_qs, &v4}, {u" HTTP://127.0.0.1"_qs, &v4},
            {u"::1"_qs, &v6},          {u"[::1]"_qs, &v6},           {u"http://::1 "_qs, &v6},
        };
        const QString url = u"http://127.0.0.1:9/f.bin"_qs;
        for (const auto& [server, proxy] : cases) {
            SCOPED_TRACE(server.toStdString());
            set(&CAppSettingsBase::HttpProxyServer, server);
            set(&CAppSettingsBase::HttpProxyPort, proxy->port());
            auto download = openDownload(url, Proxy);
            EXPECT_EQ(exchange(*download, url).status, 200) << errorText(*download).toStdString();
        }
        EXPECT_EQ(v4.requests().size(), 3);
        EXPECT_EQ(v6.requests().size(), 3);
    });
}

// A proxy from the environment that does not answer is named as the proxy.
TEST_F(Session, AnUnreachableEnvironmentProxyIsNamed)
{
    onWorker([&] {
        qputenv("http_proxy", u"http://127.0.0.1:%1"_qs.arg(closedPort()).toLatin1());
        const auto unset = qScopeGuard([] { qunsetenv("http_proxy"); });
        const QString url = u"http://127.0.0.1:9/f.bin"_qs;
        auto download = openDownload(url, Preconfig);
        EXPECT_EQ(exchange(*download, url).sent, StepRetry);
        EXPECT_EQ(errorText(*download), u"发送请求失败。 无法连接到代理服务器。 (12165)"_qs);
    });
}

TEST_F(Session, ProxyAccessWithoutAProxyHostFailsForGood)
{
    onWorker([&] {
        auto download = makeDownload(u"http://127.0.0.1:9/f.bin"_qs, Proxy);
        EXPECT_EQ(download->OpenSession(), StepFailed);
        EXPECT_EQ(download->m_hSession, nullptr);
        EXPECT_EQ(errorText(*download), u"创建互联网会话失败。 参数错误。 (87)"_qs);
    });
}

class SessionTls : public DownloadFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_nginx = new NginxServer;
        if (!s_nginx->start())
            s_startError = s_nginx->errorText();
        s_nginx->putFile("f.bin", "content");
    }
    static void TearDownTestSuite()
    {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_startError.isEmpty()) << s_startError.toStdString();
        DownloadFixture::SetUp();
        inet::SetTestCaFile(NginxServer::caFile());
    }

    static inline NginxServer* s_nginx = nullptr;
    static inline QString s_startError;
};

// Each setting forgives its own kind of certificate error and no other.
TEST_F(SessionTls, EachToleranceForgivesOnlyItsOwnError)
{
    onWorker([&] {
        using Cert = NginxServer::Cert;
        using B = CAppSettingsBase;
        int32_t B::* const tolerances[] = {&B::IgnoreUnknownCA,  &B::IgnoreRevocation,    &B::IgnoreWeakSignature,
                                           &B::IgnoreWrongUsage, &B::IgnoreCertCnInvalid, &B::IgnoreCertDateInvalid};
        const struct
        {
            Cert cert;
            int32_t B::*forgivenBy;
            DWORD error;
        } cases[] = {
            {Cert::SelfSigned, &B::IgnoreUnknownCA, ERROR_INTERNET_INVALID_CA},
            {Cert::WrongHost, &B::IgnoreCertCnInvalid, ERROR_INTERNET_SEC_CERT_CN_INVALID},
            {Cert::Expired, &B::IgnoreCertDateInvalid, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
            {Cert::ClientAuthOnly, &B::IgnoreWrongUsage, ERROR_INTERNET_SEC_INVALID_CERT},
            {Cert::Sha1, &B::IgnoreWeakSignature, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE},
        };
        for (const auto& c : cases) {
            for (int32_t B::* const tolerance : tolerances) {
                for (int32_t B::* const other : tolerances)
                    set(other, other == tolerance);
                const bool forgiven = tolerance == c.forgivenBy;
                SCOPED_TRACE(testing::Message() << "cert " << int(c.cert) << ", forgiven " << forgiven);
                const QString url = s_nginx->httpsUrl(c.cert, "/f.bin");
                auto download = openDownload(url);
                const Exchange result = exchange(*download, url);
                EXPECT_EQ(result.sent, forgiven ? StepOk : StepRetry);
                EXPECT_EQ(download->m_pError->GetErrorId(), forgiven ? 0 : c.error);
            }
        }
        for (int32_t B::* const tolerance : tolerances)
            set(tolerance, 0);
        auto download = openDownload(s_nginx->httpsUrl(Cert::Trusted, "/f.bin"));
        EXPECT_EQ(exchange(*download, s_nginx->httpsUrl(Cert::Trusted, "/f.bin")).status, 200);
    });
}

class InfoString : public DownloadFixture
{
};

TEST_F(InfoString, ReadsOneHeaderWholeOrReportsItMissing)
{
    onWorker([&] {
        const QByteArray longLocation = "/" + QByteArray(3000, 'x');
        FaultServer server([&](const FaultServer::Request&) {
            return FaultServer::answer(302, "Location: " + longLocation + "\r\nContent-Disposition:\r\n"
                                            "Content-Type: text/plain; charset=\xE5\x9C\x8B\r\n");
        });
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        auto download = openDownload(server.url("/x"));
        CUrl parts;
        HINTERNET connect = nullptr;
        HINTERNET request = nullptr;
        ASSERT_EQ(download->OpenRequest(true, server.url("/x"), parts, connect, request), StepOk);
        int32_t status = 0;
        ASSERT_EQ(download->SendRequestAndQueryStatus(connect, request, status), StepOk);
        ASSERT_EQ(status, 302);

        QString text = u"stale"_qs;
        EXPECT_TRUE(QueryInfoString(request, HTTP_QUERY_LOCATION, text));
        EXPECT_EQ(text, QString::fromLatin1(longLocation));
        EXPECT_TRUE(QueryInfoString(request, HTTP_QUERY_CONTENT_TYPE, text));
        EXPECT_EQ(text, u"text/plain; charset=國"_qs);
        EXPECT_TRUE(QueryInfoString(request, HTTP_QUERY_CONTENT_DISPOSITION, text));
        EXPECT_EQ(text, QString());
        text = u"stale"_qs;
        EXPECT_FALSE(QueryInfoString(request, HTTP_QUERY_ACCEPT_RANGES, text));
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
        CHttpDownloader::CloseRequest(connect, request);
    });
}
