#include "DownloadFixture.h"

#include "engine/ResolveUrl.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"
#include "support/PollUntil.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <map>
#include <thread>

namespace {

constexpr int kSlowAnswerMs = 3000;
const QByteArray kNoHeaders;

// What a preparation left in the download.
struct Outcome
{
    StepResult result = StepFailed;
    QString error;
    QString downloadUrl;
    QString title;
    bool acceptRanges = false;
    bool gotSize = false;
    uint64_t size = 0;
    SYSTEMTIME lastModified;
};

Outcome prepare(CHttpDownloader& download)
{
    Outcome p;
    p.result = download.Prepare();
    p.error = download.m_pError->GetText();
    p.downloadUrl = download.GetDownloadUrl();
    p.title = download.GetFileTitle();
    p.acceptRanges = download.m_bAcceptRanges;
    p.gotSize = download.m_bGotFileSize;
    p.size = download.m_nFileSize;
    p.lastModified = download.GetLastModified();
    return p;
}

// Each path answers with its own script; any other path gets a plain 200.
FaultServer::Responder byPath(std::map<QByteArray, FaultServer::Script> scripts)
{
    return [scripts = std::move(scripts)](const FaultServer::Request& request) {
        const auto found = scripts.find(request.target);
        return found != scripts.end() ? found->second : FaultServer::answer(200, kNoHeaders, "body");
    };
}

FaultServer::Script redirectTo(const QByteArray& location, int status = 302)
{
    return FaultServer::answer(status, "Location: " + location + "\r\n");
}

QList<QByteArray> targets(const FaultServer& server)
{
    QList<QByteArray> result;
    for (const FaultServer::Request& request : server.requests())
        result.append(request.target);
    return result;
}

} // namespace

class Prepare : public DownloadFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_nginx = new NginxServer;
        for (int hop = 1; hop <= 7; ++hop)
            s_nginx->addLocation(u"location = /hop%1 { return 302 /hop%2; }"_qs.arg(hop).arg(hop + 1));
        s_nginx->addLocation(u"location = /auto { return 302 /dl/file.bin; }"_qs);
        if (!s_nginx->start()) {
            s_startError = s_nginx->errorText();
            return;
        }
        s_nginx->putFile("hop8", "last");
        s_nginx->putFile("dl/file.bin", QByteArray(1000, 'x'));
        QFile file(s_nginx->root() + u"/dl/file.bin"_qs);
        if (!file.open(QIODevice::ReadWrite) || !file.setFileTime(kFileTime, QFileDevice::FileModificationTime))
            s_startError = u"cannot set the test file's time"_qs;
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
    }

    static Outcome prepareUrl(const QString& url)
    {
        auto download = openDownload(url);
        return prepare(*download);
    }

    static inline const QDateTime kFileTime = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    static inline NginxServer* s_nginx = nullptr;
    static inline QString s_startError;
};

TEST_F(Prepare, LearnsEverythingFromOneGetWithoutRange)
{
    onWorker([&] {
        const QString url = s_nginx->url("/dl/file.bin");
        auto download = openDownload(url);
        const Outcome p = prepare(*download);
        EXPECT_EQ(p.result, StepOk);
        EXPECT_EQ(download->m_pError->m_nErrorCounter, 0);
        EXPECT_EQ(p.downloadUrl, url);
        EXPECT_EQ(p.title, "file.bin");
        EXPECT_TRUE(p.acceptRanges);
        EXPECT_TRUE(p.gotSize);
        EXPECT_EQ(p.size, 1000u);
        EXPECT_TRUE(download->IsResumable());
        EXPECT_EQ(p.lastModified, SystemTimeFromDateTime(kFileTime));

        const QList<NginxServer::LogEntry> log = s_nginx->accessLogFor("/dl/file.bin");
        ASSERT_EQ(log.size(), 1);
        EXPECT_EQ(log[0].request, "GET /dl/file.bin HTTP/1.1");
        EXPECT_TRUE(log[0].range.isEmpty());
        EXPECT_EQ(log[0].userAgent, "Vandrel");
        EXPECT_EQ(log[0].referer, url);
    });
}

TEST_F(Prepare, SixRedirectsAreFollowedTheSeventhFails)
{
    onWorker([&] {
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        Outcome p = prepareUrl(s_nginx->url("/hop1"));
        EXPECT_EQ(p.result, StepFailed);
        EXPECT_EQ(p.error, u"准备失败。 太多的链接重定向。"_qs);
        EXPECT_TRUE(p.downloadUrl.isEmpty());
        EXPECT_EQ(s_nginx->accessLogFor("/hop7").size(), 1);
        EXPECT_EQ(s_nginx->accessLogFor("/hop8", 0).size(), 0);

        p = prepareUrl(s_nginx->url("/hop2"));
        EXPECT_EQ(p.result, StepOk);
        EXPECT_EQ(p.downloadUrl, s_nginx->url("/hop8"));
        EXPECT_EQ(p.title, "hop8");
        EXPECT_EQ(s_nginx->accessLogFor("/hop8").size(), 1);
    });
}

// When the layer follows, the URL as entered stays the one every section asks
// for (a signed target expires); the name is the target's.
TEST_F(Prepare, FollowedByTheLayerTheEnteredUrlIsKept)
{
    onWorker([&] {
        const QString url = s_nginx->url("/auto");
        const Outcome p = prepareUrl(url);
        EXPECT_EQ(p.result, StepOk);
        EXPECT_EQ(p.downloadUrl, url);
        EXPECT_EQ(p.title, "file.bin");
        EXPECT_EQ(p.size, 1000u);
    });
}

TEST_F(Prepare, ErrorAnswersFailForGoodWithTheirCodeAndReason)
{
    onWorker([&] {
        EXPECT_EQ(prepareUrl(s_nginx->url("/missing.bin")).error, u"准备失败。 状态代码：404 未找到"_qs);
        EXPECT_EQ(s_nginx->accessLogFor("/missing.bin").size(), 1);

        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        FaultServer server(byPath({
            {"/304", FaultServer::answer(304)},
            {"/303", redirectTo("/other", 303)},
            {"/599", FaultServer::answer(599)},
        }));
        const std::pair<const char*, QString> cases[] = {
            {"/304", u"准备失败。 状态代码：304 未修改"_qs},
            {"/303", u"准备失败。 状态代码：303 查看其他位置"_qs},
            {"/599", u"准备失败。 状态代码：599"_qs},
        };
        for (const auto& [path, text] : cases) {
            SCOPED_TRACE(path);
            const Outcome p = prepareUrl(server.url(path));
            EXPECT_EQ(p.result, StepFailed);
            EXPECT_EQ(p.error, text);
            EXPECT_TRUE(p.downloadUrl.isEmpty());
            EXPECT_TRUE(p.title.isEmpty());
        }
        EXPECT_FALSE(targets(server).contains("/other"));
    });
}

// Relative targets are resolved against the URL that answered, its port kept.
TEST_F(Prepare, RedirectTargetsResolveAgainstTheCurrentUrl)
{
    onWorker([&] {
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        FaultServer other(byPath({}));
        const QByteArray otherAuthority = "127.0.0.1:" + QByteArray::number(other.port());
        FaultServer server(byPath({
            {"/dir/absolute", redirectTo(other.url("/abs.bin").toUtf8())},
            {"/dir/rooted", redirectTo("/files/a.zip", 301)},
            {"/dir/bare", redirectTo("b.zip", 307)},
            {"/dir/sub/up", redirectTo("../c.zip?k=1", 308)},
            {"/dir/network", redirectTo("//" + otherAuthority + "/net.bin")},
        }));
        const std::pair<QString, QString> cases[] = {
            {server.url("/dir/absolute"), other.url("/abs.bin")},
            {server.url("/dir/rooted"), server.url("/files/a.zip")},
            {server.url("/dir/bare"), server.url("/dir/b.zip")},
            {server.url("/dir/sub/up"), server.url("/dir/c.zip?k=1")},
            {server.url("/dir/network"), other.url("/net.bin")},
        };
        for (const auto& [from, to] : cases) {
            SCOPED_TRACE(from.toStdString());
            const Outcome p = prepareUrl(from);
            EXPECT_EQ(p.result, StepOk) << p.error.toStdString();
            EXPECT_EQ(p.downloadUrl, to);
        }
        EXPECT_EQ(targets(server), (QList<QByteArray>{"/dir/absolute", "/dir/rooted", "/files/a.zip", "/dir/bare",
                                                      "/dir/b.zip", "/dir/sub/up", "/dir/c.zip?k=1", "/dir/network"}));
        EXPECT_EQ(targets(other), (QList<QByteArray>{"/abs.bin", "/net.bin"}));
    });
}

TEST(ResolveUrl, FollowsRfc3986)
{
    const QString base = u"http://h:8443/a/b/c?q=1"_qs;
    const std::pair<QString, QString> cases[] = {
        {u"https://x/y"_qs, u"https://x/y"_qs},
        {u"ftp://x/./y"_qs, u"ftp://x/./y"_qs}, // a URL of its own is taken as it is
        {u"//cdn/d"_qs, u"http://cdn/d"_qs},
        {u"/d/./e/../f"_qs, u"http://h:8443/d/f"_qs},
        {u"d"_qs, u"http://h:8443/a/b/d"_qs},
        {u"../../../d"_qs, u"http://h:8443/d"_qs},
        {u"./"_qs, u"http://h:8443/a/b/"_qs},
        {u"?r=2"_qs, u"http://h:8443/a/b/c?r=2"_qs},
        {u"#f"_qs, u"http://h:8443/a/b/c?q=1#f"_qs},
        {u""_qs, u"http://h:8443/a/b/c?q=1"_qs},
        {u"d e/中.zip"_qs, u"http://h:8443/a/b/d e/中.zip"_qs}, // nothing is encoded
    };
    for (const auto& [reference, expected] : cases)
        EXPECT_EQ(ResolveUrl(base, reference), expected) << reference.toStdString();
    EXPECT_EQ(ResolveUrl(u"http://h"_qs, u"x"_qs), u"http://h/x"_qs);
}

TEST_F(Prepare, RedirectFailures)
{
    onWorker([&] {
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        FaultServer server(byPath({
            {"/nowhere", FaultServer::answer(302)},
            {"/ftp", redirectTo("ftp://127.0.0.1/x")},
            {"/mail", redirectTo("mailto:someone@example.org")},
        }));
        const struct
        {
            const char* path;
            StepResult result;
            QString error;
        } cases[] = {
            {"/nowhere", StepRetry, u"查询资源位置失败。 找不到所请求的标头。 (12150)"_qs},
            {"/ftp", StepFailed, u"不支持 URL 方案。"_qs},
            {"/mail", StepFailed, u"解析 URL 失败。"_qs},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.path);
            const Outcome p = prepareUrl(server.url(c.path));
            EXPECT_EQ(p.result, c.result);
            EXPECT_EQ(p.error, c.error);
        }
        EXPECT_EQ(server.requests().size(), 3);
    });
}

// A list record holds at most 2083 units, so no longer URL may be stored.
TEST_F(Prepare, ARedirectTargetLongerThanAListRecordHoldsFails)
{
    onWorker([&] {
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        FaultServer target(byPath({}));
        const qsizetype base = target.url("/").size();
        const QString fits = target.url(u'/' + QString(CHttpDownloader::kMaxStoredTextLength - base, u'a'));
        const QString tooLong = fits + u'a';
        ASSERT_EQ(fits.size(), CHttpDownloader::kMaxStoredTextLength);
        FaultServer server(byPath({{"/fits", redirectTo(fits.toUtf8())}, {"/long", redirectTo(tooLong.toUtf8())}}));

        Outcome p = prepareUrl(server.url("/fits"));
        EXPECT_EQ(p.result, StepOk);
        EXPECT_EQ(p.downloadUrl, fits);
        p = prepareUrl(server.url("/long"));
        EXPECT_EQ(p.result, StepFailed);
        EXPECT_EQ(p.error, u"准备失败。 URL 过长。"_qs);
        EXPECT_TRUE(p.downloadUrl.isEmpty());
        EXPECT_EQ(target.requests().size(), 1);
    });
}

// The session, and with it its proxy, stays as the download's URL chose it.
TEST_F(Prepare, ARedirectToHttpsKeepsTheSessionsProxy)
{
    onWorker([&] {
        set(&CAppSettingsBase::HandleRedirectInternally, 1);
        inet::SetTestCaFile(NginxServer::caFile());
        const QString secure = s_nginx->httpsUrl(NginxServer::Cert::Trusted, "/dl/file.bin");
        FaultServer httpProxy([&](const FaultServer::Request& request) {
            if (request.method == "CONNECT")
                return FaultServer::Script{FaultServer::tunnel(s_nginx->httpsPort(NginxServer::Cert::Trusted))};
            return redirectTo(secure.toUtf8());
        });
        FaultServer httpsProxy(byPath({}));
        set(&CAppSettingsBase::HttpProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpProxyPort, httpProxy.port());
        set(&CAppSettingsBase::HttpsProxyServer, u"127.0.0.1"_qs);
        set(&CAppSettingsBase::HttpsProxyPort, httpsProxy.port());

        auto download = openDownload(u"http://127.0.0.1:9/start"_qs, Proxy);
        const Outcome p = prepare(*download);
        EXPECT_EQ(p.result, StepOk) << p.error.toStdString();
        EXPECT_EQ(p.downloadUrl, secure);
        EXPECT_EQ(p.size, 1000u);
        const QList<FaultServer::Request> requests = httpProxy.requests();
        ASSERT_EQ(requests.size(), 2);
        EXPECT_EQ(requests[0].requestLine, "GET http://127.0.0.1:9/start HTTP/1.1");
        EXPECT_EQ(requests[1].method, "CONNECT");
        EXPECT_TRUE(httpsProxy.requests().isEmpty());
    });
}

TEST_F(Prepare, HtmlAnswersAreRefusedWhenSoConfigured)
{
    onWorker([&] {
        FaultServer server(byPath({{"/page", FaultServer::answer(200, "Content-Type: Text/HTML; charset=utf-8\r\n")}}));
        const QString url = server.url("/page");
        auto download = openDownload(url);
        Outcome p = prepare(*download);
        EXPECT_EQ(p.result, StepFailed);
        EXPECT_EQ(p.error, u"返回的 HTML 内容。"_qs);
        EXPECT_EQ(p.downloadUrl, url);
        EXPECT_TRUE(p.title.isEmpty());
        EXPECT_FALSE(download->m_pTerminateEvent->isSet());

        set(&CAppSettingsBase::StopIfHtmlContentReturned, 0);
        p = prepareUrl(url);
        EXPECT_EQ(p.result, StepOk);
        EXPECT_EQ(p.title, "page");
    });
}

TEST_F(Prepare, SizeRangesAndTimeFromTheHeaders)
{
    onWorker([&] {
        const struct
        {
            QByteArray headers;
            bool acceptRanges;
            bool gotSize;
            uint64_t size;
        } cases[] = {
            {"Accept-Ranges: BYTES\r\nLast-Modified: Tue, 02 Jan 2024 03:04:05 GMT\r\n", true, true, 4},
            {"Accept-Ranges: none\r\n", false, true, 4},
            {"Accept-Ranges: bytes, none\r\n", false, true, 4},
            {"Accept-Ranges: bytes\r\nTransfer-Encoding: chunked\r\n", true, false, 0},
            {"Accept-Ranges: bytes\r\nContent-Length: 99999999999999999999\r\n", true, false, 0},
            {"Accept-Ranges: bytes\r\nContent-Length: 12abc\r\n", true, false, 0},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.headers.toStdString());
            // A Content-Length of 4 unless the case brings its own or is chunked.
            QByteArray answer = "HTTP/1.1 200 OK\r\n" + c.headers;
            if (!c.headers.contains("Content-Length") && !c.headers.contains("chunked"))
                answer += "Content-Length: 4\r\n";
            answer += c.headers.contains("chunked") ? "\r\n4\r\nbody\r\n0\r\n\r\n" : "\r\nbody";
            FaultServer server(
                [&](const FaultServer::Request&) { return FaultServer::Script{FaultServer::send(answer)}; });
            const SYSTEMTIME before = GetSystemTime();
            auto download = openDownload(server.url("/f"));
            const Outcome p = prepare(*download);
            const SYSTEMTIME after = GetSystemTime();
            ASSERT_EQ(p.result, StepOk) << p.error.toStdString();
            EXPECT_EQ(p.acceptRanges, c.acceptRanges);
            EXPECT_EQ(p.gotSize, c.gotSize);
            EXPECT_EQ(p.size, c.size);
            EXPECT_EQ(download->IsResumable(), c.acceptRanges && c.gotSize);
            if (c.headers.contains("Last-Modified")) {
                EXPECT_EQ(p.lastModified, (SYSTEMTIME{2024, 1, 2, 2, 3, 4, 5, 0}));
            } else {
                const QDateTime time = DateTimeFromSystemTime(p.lastModified, Qt::UTC);
                EXPECT_GE(time, DateTimeFromSystemTime(before, Qt::UTC));
                EXPECT_LE(time, DateTimeFromSystemTime(after, Qt::UTC));
            }
        }
    });
}

TEST_F(Prepare, TitleFromContentDispositionOrTheUrl)
{
    onWorker([&] {
        const struct
        {
            QByteArray disposition;
            QString chosen;
            QString title;
        } cases[] = {
            {"attachment; FILENAME=\"report.pdf\"", {}, u"report.pdf"_qs},
            {"attachment; filename=report.pdf", {}, u"my_file"_qs},
            {"attachment; filename*=UTF-8''r%C3%A9.pdf", {}, u"ré.pdf"_qs},
            {"inline; filename=\"??.bin\"; filename*=UTF-8''%E4%B8%AD%E6%96%87.bin", {}, u"中文.bin"_qs},
            // A filename* that is malformed, or makes no name, gives way to filename.
            {"attachment; filename*=UTF-8''%E4%B8; filename=\"x.bin\"", {}, u"x.bin"_qs},
            {"attachment; filename*=UTF-8''..; filename=\"x.bin\"", {}, u"x.bin"_qs},
            {"attachment; filename*=UTF-8''%2E%2E%2F%2E%2E%2Fevil.sh", {}, u".._.._evil.sh"_qs},
            {"attachment; filename=\"open.pdf", {}, u"my_file"_qs},
            {"attachment; filename=\"\xE6\x8A\xA5\xE5\x91\x8A.pdf\"", {}, u"报告.pdf"_qs},
            // Whatever the server says, the file stays in the download folder.
            {"attachment; filename=\"../../evil.sh\"", {}, u".._.._evil.sh"_qs},
            {"attachment; filename=\"..\"", {}, u"my_file"_qs},
            {"attachment; filename=\"/etc/passwd\"", {}, u"_etc_passwd"_qs},
            {"attachment; filename=\"new.bin\"", u"keep.bin"_qs, u"new.bin"_qs},
            {{}, u"keep.bin"_qs, u"keep.bin"_qs},
            {"attachment; filename=\"...\"", u"keep.bin"_qs, u"keep.bin"_qs},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.disposition.toStdString());
            const QByteArray header =
                c.disposition.isNull() ? QByteArray() : "Content-Disposition: " + c.disposition + "\r\n";
            FaultServer server([&](const FaultServer::Request&) { return FaultServer::answer(200, header, "body"); });
            auto download = openDownload(server.url("/dir/my:file?.txt"));
            download->SetFileTitle(c.chosen);
            const Outcome p = prepare(*download);
            EXPECT_EQ(p.result, StepOk);
            EXPECT_EQ(p.title, c.title);
        }
    });
}

TEST_F(Prepare, TitleFromTheUrlIsSafe)
{
    onWorker([&] {
        FaultServer server(byPath({}));
        const std::pair<const char*, QString> cases[] = {
            {"/dir/my:file?.txt", u"my_file"_qs},
            {"/x/  a.bin", u"a.bin"_qs},
            {"/a/...", u"Untitled"_qs},
            {"/a/", u"Untitled"_qs},
            {"/x/aux", u"au_"_qs},
            {"/x/a%20b.zip", u"a b.zip"_qs},
            {"/x/%E6%8A%A5%E5%91%8A.pdf?n=%E4%B8%AD", u"报告.pdf"_qs},
            {"/x/%2E%2E%2Fa%2Fb%3F.bin", u"..%2Fa%2Fb_.bin"_qs},
        };
        for (const auto& [path, title] : cases) {
            SCOPED_TRACE(path);
            const Outcome p = prepareUrl(server.url(QString::fromLatin1(path)));
            EXPECT_EQ(p.result, StepOk);
            EXPECT_EQ(p.title, title);
        }
    });
}

TEST_F(Prepare, AStopRequestedBeforehandSendsNothing)
{
    onWorker([&] {
        FaultServer server(byPath({}));
        auto download = openDownload(server.url("/f"));
        download->m_pTerminateEvent->set();
        const Outcome p = prepare(*download);
        EXPECT_EQ(p.result, StepStopped);
        EXPECT_EQ(download->m_pError->m_nErrorCounter, 0);
        EXPECT_TRUE(p.downloadUrl.isEmpty());
        EXPECT_FALSE(p.gotSize);
        EXPECT_TRUE(server.requests().isEmpty());
    });
}

TEST_F(Prepare, APauseDuringASlowAnswerStopsWithoutAnError)
{
    onWorker([&] {
        FaultServer server([](const FaultServer::Request&) {
            FaultServer::Script script{FaultServer::wait(kSlowAnswerMs)};
            return script + FaultServer::answer(200);
        });
        auto download = openDownload(server.url("/f"));
        std::thread pause([&download, &server] {
            // Once the request is in, the send waits for the answer.
            PollUntil([&server] { return !server.requests().isEmpty(); }, kSlowAnswerMs);
            download->m_pTerminateEvent->set();
        });
        const Outcome p = prepare(*download);
        pause.join();
        EXPECT_EQ(p.result, StepStopped);
        EXPECT_EQ(download->m_pError->m_nErrorCounter, 0);
        EXPECT_TRUE(p.downloadUrl.isEmpty());
        EXPECT_EQ(server.requests().size(), 1);
    });
}
