// What a download's requests give away when a redirect leads elsewhere: the
// server credentials, the proxy credentials and the page named as Referer,
// seen by servers that record every request, with the engine following the
// redirects and with the layer following them.
#include "NginxRunFixture.h"

#include <functional>

namespace {

const QByteArray kUser = "alice";
const QByteArray kPassword = "s3cret";
const QString kCredentials = QString::fromLatin1("Basic " + (kUser + ':' + kPassword).toBase64());
constexpr int32_t kRedirectModes[] = {0, 1}; // HandleRedirectInternally: the layer follows, the engine does

FaultServer::Responder answering(int status)
{
    return [=](const FaultServer::Request&) { return FaultServer::answer(status, {}, "body"); };
}

// A server that answers only to the download's credentials, once asked for them.
FaultServer::Responder wantsCredentials(FaultServer::Responder next = answering(200))
{
    return FaultServer::requireAuth(FaultServer::AuthScheme::Basic, false, kUser, kPassword, std::move(next));
}

using Location = std::function<QByteArray(const FaultServer::Request&)>;

// /start redirects to where location points; every other path wants the credentials.
FaultServer::Responder redirecting(Location location, FaultServer::Responder other = wantsCredentials())
{
    return [=](const FaultServer::Request& request) {
        if (request.target == "/start")
            return FaultServer::answer(302, "Location: " + location(request) + "\r\n");
        return other(request);
    };
}

// As text, so that a failure shows it as text.
QString header(const FaultServer::Request& request, QByteArrayView name)
{
    return QString::fromLatin1(request.header(name));
}

QList<FaultServer::Request> requestsFor(const FaultServer& server, QByteArrayView target, qsizetype from = 0)
{
    QList<FaultServer::Request> found;
    for (const FaultServer::Request& request : server.requests().mid(from)) {
        if (request.target == target)
            found.append(request);
    }
    return found;
}

} // namespace

class RequestSecrets : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        // The http server that an https page of nginx redirects to.
        s_plain = new FaultServer(wantsCredentials());
        StartNginx([](NginxServer& nginx) {
            nginx.addLocation(u"location = /down { return 302 %1; }"_qs.arg(s_plain->url(u"/target"_qs)));
        });
    }
    static void TearDownTestSuite()
    {
        NginxRunFixture::TearDownTestSuite();
        delete s_plain;
        s_plain = nullptr;
    }
    void SetUp() override
    {
        NginxRunFixture::SetUp();
        inet::SetTestCaFile(NginxServer::caFile());
    }

    // The URL as entered carries user info and a fragment, as people paste them.
    static std::unique_ptr<CHttpDownloader> withCredentials(const QString& url)
    {
        auto download = makeDownload(url);
        download->SetAuthorization(true, QString::fromLatin1(kUser), QString::fromLatin1(kPassword));
        return download;
    }
    static QString withUserInfo(QString url)
    {
        return url.replace(u"://"_qs, u"://"_qs + QString::fromLatin1(kUser + ':' + kPassword) + u'@') + u"#part"_qs;
    }

    static inline FaultServer* s_plain = nullptr;
};

// Credentials go to the origin they were given for and to no other; the
// Referer shows neither the user info nor the fragment of the page.
TEST_F(RequestSecrets, ARedirectElsewhereDropsTheCredentials)
{
    onWorker([&] {
        FaultServer otherPort(wantsCredentials());
        FaultServer otherHost(wantsCredentials(), FaultServer::Loopback::V6);
        struct Case
        {
            const char* name;
            Location location;
            const FaultServer* target; // null: the origin itself
        };
        const Case cases[] = {
            {"same origin", [](const FaultServer::Request&) { return QByteArray("/target"); }, nullptr},
            {"other port", [&](const FaultServer::Request&) { return otherPort.url(u"/target"_qs).toUtf8(); },
             &otherPort},
            {"other host", [&](const FaultServer::Request&) { return otherHost.url(u"/target"_qs).toUtf8(); },
             &otherHost},
            // The same server under another name is another origin too.
            {"other name",
             [](const FaultServer::Request& request) {
                 return "http://localhost:" + request.header("Host").split(':').value(1) + "/target";
             },
             nullptr},
        };
        for (const Case& c : cases) {
            for (const int32_t internally : kRedirectModes) {
                SCOPED_TRACE(testing::Message() << c.name << ", engine follows " << internally);
                set(&CAppSettingsBase::HandleRedirectInternally, internally);
                FaultServer origin(redirecting(c.location));
                const FaultServer& target = c.target ? *c.target : origin;
                const qsizetype before = target.requests().size();
                const QString page = origin.url(u"/start"_qs);
                auto download = withCredentials(withUserInfo(page));
                ASSERT_EQ(download->OpenSession(), StepOk);
                const bool sameOrigin = std::string_view(c.name) == "same origin";
                EXPECT_EQ(download->Prepare(), sameOrigin ? StepOk : StepFailed);

                const QList<FaultServer::Request> reached = requestsFor(target, "/target", before);
                ASSERT_FALSE(reached.isEmpty());
                bool credentialsSent = false;
                for (const FaultServer::Request& request : reached) {
                    credentialsSent = credentialsSent || request.hasHeader("Authorization");
                    EXPECT_EQ(header(request, "Referer"), page);
                }
                EXPECT_EQ(credentialsSent, sameOrigin);
                if (sameOrigin) {
                    EXPECT_EQ(header(reached.last(), "Authorization"), kCredentials);
                }
                EXPECT_EQ(header(requestsFor(origin, "/start").first(), "Referer"), page);
            }
        }
    });
}

// An https page that redirects to http: neither the credentials nor the page
// travel in clear.
TEST_F(RequestSecrets, AnHttpsToHttpRedirectCarriesNeitherCredentialsNorReferer)
{
    onWorker([&] {
        const QString page = s_nginx->httpsUrl(NginxServer::Cert::Trusted, u"/down"_qs);
        for (const int32_t internally : kRedirectModes) {
            SCOPED_TRACE(internally);
            set(&CAppSettingsBase::HandleRedirectInternally, internally);
            const qsizetype before = s_plain->requests().size();
            auto download = withCredentials(withUserInfo(page));
            ASSERT_EQ(download->OpenSession(), StepOk);
            EXPECT_EQ(download->Prepare(), StepFailed);

            const QList<FaultServer::Request> reached = requestsFor(*s_plain, "/target", before);
            ASSERT_EQ(reached.size(), 1);
            EXPECT_FALSE(reached[0].hasHeader("Authorization"));
            EXPECT_FALSE(reached[0].hasHeader("Referer"));
            EXPECT_EQ(s_nginx->accessLogFor(u"/down"_qs, 1 + internally).last().referer, page);
        }
    });
}

// With both proxies set, a redirect from http to https stays with the proxy
// the session chose, and that proxy gets its own credentials, never the other's.
TEST_F(RequestSecrets, ProxyCredentialsGoOnlyToTheirProxy)
{
    onWorker([&] {
        const quint16 httpsOrigin = s_nginx->httpsPort(NginxServer::Cert::Trusted);
        const QByteArray secure = s_nginx->httpsUrl(NginxServer::Cert::Trusted, u"/secure.bin"_qs).toUtf8();
        s_nginx->putFile(u"secure.bin"_qs, "secure");
        FaultServer httpProxy(FaultServer::requireAuth(
            FaultServer::AuthScheme::Basic, true, "http-user", "http-pw", [&](const FaultServer::Request& request) {
                if (request.method == "CONNECT")
                    return FaultServer::Script{FaultServer::tunnel(httpsOrigin)};
                return FaultServer::answer(302, "Location: " + secure + "\r\n");
            }));
        FaultServer httpsProxy(answering(200));
        set(&CAppSettingsBase::HttpProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpProxyPort, httpProxy.port());
        set(&CAppSettingsBase::HttpProxyUserName, u"http-user"_qs);
        set(&CAppSettingsBase::HttpProxyPassword, u"http-pw"_qs);
        set(&CAppSettingsBase::HttpsProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpsProxyPort, httpsProxy.port());
        set(&CAppSettingsBase::HttpsProxyUserName, u"https-user"_qs);
        set(&CAppSettingsBase::HttpsProxyPassword, u"https-pw"_qs);
        const QString otherProxysCredentials = u"Basic "_qs + QString::fromLatin1(QByteArray("https-user:https-pw").toBase64());
        for (const int32_t internally : kRedirectModes) {
            SCOPED_TRACE(internally);
            set(&CAppSettingsBase::HandleRedirectInternally, internally);
            const qsizetype before = httpProxy.requests().size();
            auto download = openDownload(u"http://127.0.0.1:9/start"_qs, Proxy);
            EXPECT_EQ(download->Prepare(), StepOk) << download->m_pError->GetText().toStdString();

            bool tunnelled = false;
            for (const FaultServer::Request& request : httpProxy.requests().mid(before)) {
                EXPECT_NE(header(request, "Proxy-Authorization"), otherProxysCredentials)
                    << request.requestLine.toStdString();
                tunnelled = tunnelled || (request.method == "CONNECT" && request.hasHeader("Proxy-Authorization"));
            }
            EXPECT_TRUE(tunnelled);
        }
        EXPECT_TRUE(httpsProxy.requests().isEmpty());
    });
}

// Every section asks again, each on a request of its own: each must keep the
// credentials to the origin, whichever follows the redirect.
TEST_F(RequestSecrets, EverySectionKeepsTheCredentialsToTheOrigin)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 4);
    set(&CAppSettingsBase::MinSectionSize, 1000);
    set(&CAppSettingsBase::MaxAttempts, 1);
    const QByteArray body = pattern(4000);
    // The file itself is named to anyone; its ranges only to the credentials.
    const FaultServer::Responder rangesWantCredentials = [&](const FaultServer::Request& request) {
        if (!request.hasHeader("Range"))
            return rangedAnswer(request, body);
        return wantsCredentials([&](const FaultServer::Request& asked) { return rangedAnswer(asked, body); })(request);
    };
    FaultServer elsewhere(rangesWantCredentials);
    for (const bool sameOrigin : {true, false}) {
        for (const int32_t internally : kRedirectModes) {
            SCOPED_TRACE(testing::Message() << "same origin " << sameOrigin << ", engine follows " << internally);
            set(&CAppSettingsBase::HandleRedirectInternally, internally);
            const Location location = [&](const FaultServer::Request&) {
                return sameOrigin ? QByteArray("/file.bin") : elsewhere.url(u"/file.bin"_qs).toUtf8();
            };
            FaultServer origin(redirecting(location, rangesWantCredentials));
            const FaultServer& target = sameOrigin ? origin : elsewhere;
            const qsizetype before = target.requests().size();
            const auto item = makeItem(origin.url(u"/start"_qs));
            CHttpDownloader& download = *item->m_pDownloader;
            download.SetAuthorization(true, QString::fromLatin1(kUser), QString::fromLatin1(kPassword));

            EXPECT_EQ(runToEnd(*item), sameOrigin ? Completed : TransferringFailed);
            EXPECT_EQ(download.m_sections.size(), 4u);
            int ranged = 0;
            int withCredentials = 0;
            for (const FaultServer::Request& request : requestsFor(target, "/file.bin", before)) {
                ranged += request.hasHeader("Range");
                withCredentials += request.hasHeader("Authorization");
            }
            EXPECT_GE(ranged, 4);
            EXPECT_EQ(withCredentials, sameOrigin ? 4 : 0);
            if (sameOrigin) {
                EXPECT_EQ(readFile(download.GetLocalFileName()), body);
            }
        }
    }
}
