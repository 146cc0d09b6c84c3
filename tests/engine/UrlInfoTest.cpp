#include "engine/UrlInfo.h"
#include "engine/UrlInfoDoneEvent.h"
#include "platform/SanitizerHandOff.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTest>

#include <optional>

namespace {

constexpr int kProbeWaitMs = 15000;
constexpr qint64 kFileSize = 123456;
const QString kAgent = QStringLiteral("Vandrel-Probe");

struct Outcome
{
    QString url;
    bool succeeded = false;
    bool gotSize = false;
    uint64_t size = 0;
    bool runningAtDelivery = true;
};

// Stands in for the add page: it owns its share of the record and clears the
// notify target when it goes away.
class Receiver : public QObject
{
public:
    explicit Receiver(std::shared_ptr<CUrlInfo> info) : m_info(std::move(info)) {}
    ~Receiver() override { m_info->ClearNotifyTarget(); }

    bool start(const QString& url) { return m_info->Start(url, this, kAgent); }
    bool waitForOutcome() { return QTest::qWaitFor([this] { return m_outcome.has_value(); }, kProbeWaitMs); }
    const Outcome& outcome() const { return *m_outcome; }

protected:
    bool event(QEvent* event) override
    {
        HandOffReceived(m_info.get());
        if (event->type() != WM_URLINFO_DONE)
            return QObject::event(event);
        const auto* done = static_cast<UrlInfoDoneEvent*>(event);
        m_outcome = Outcome{done->m_strUrl, done->m_bSucceeded, done->m_bGotSize, done->m_nSize,
                            m_info->IsRunning()};
        return true;
    }

private:
    std::shared_ptr<CUrlInfo> m_info;
    std::optional<Outcome> m_outcome;
};

// Counts every probe result delivered to any object of the process.
class DoneCounter : public QObject
{
public:
    DoneCounter() { QCoreApplication::instance()->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == WM_URLINFO_DONE;
        return false;
    }
};

Outcome probe(const QString& url)
{
    auto info = std::make_shared<CUrlInfo>();
    Receiver receiver(info);
    EXPECT_TRUE(receiver.start(url));
    EXPECT_TRUE(receiver.waitForOutcome()) << url.toStdString();
    return receiver.outcome();
}

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

FaultServer::Script headAnswer(const QByteArray& headers)
{
    return {FaultServer::send("HTTP/1.1 200 OK\r\n" + headers + "Connection: close\r\n\r\n"),
            FaultServer::close()};
}

} // namespace

TEST(UrlInfoLength, OnlyAPlainNumberIsASize)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"Content-Length: 1048576\r\n", true},
        {"", false},
        {"Content-Length: 12abc\r\n", false},
        {"Content-Length: +5\r\n", false},
        {"Content-Length: 99999999999999999999\r\n", false},
    };
    for (const auto& [headers, gotSize] : cases) {
        SCOPED_TRACE(headers.toStdString());
        // Bound by name: clang 14 cannot capture a structured binding.
        FaultServer server([&headers = headers](const FaultServer::Request&) { return headAnswer(headers); });
        const Outcome outcome = probe(server.url("/x"));
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.gotSize, gotSize);
        EXPECT_EQ(outcome.size, gotSize ? 1048576u : 0u);
    }
}

TEST(UrlInfoLifetime, OneProbeAtATimeAndNothingReachesAPageThatWent)
{
    FaultServer server([](const FaultServer::Request&) {
        FaultServer::Script script{FaultServer::wait(500)};
        script += headAnswer("Content-Length: 7\r\n");
        return script;
    });
    DoneCounter counter;
    auto info = std::make_shared<CUrlInfo>();
    {
        Receiver page(info);
        ASSERT_TRUE(page.start(server.url("/slow")));
        EXPECT_TRUE(info->IsRunning());
        EXPECT_FALSE(page.start(server.url("/other")));
    }
    // The thread has let go of its share once it has posted whatever it would.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !info->IsRunning() && info.use_count() == 1; }, kProbeWaitMs));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(counter.count, 0);
    EXPECT_TRUE(info->m_bDone);
    EXPECT_TRUE(info->m_bSucceeded);
    EXPECT_EQ(server.requests().size(), 1);
}

// The record may be dropped by the page first: the thread's own share keeps it alive.
TEST(UrlInfoLifetime, ThePageMayDropTheRecordDuringAProbe)
{
    FaultServer server([](const FaultServer::Request&) {
        FaultServer::Script script{FaultServer::wait(300)};
        script += headAnswer("");
        return script;
    });
    std::weak_ptr<CUrlInfo> alive;
    {
        auto info = std::make_shared<CUrlInfo>();
        alive = info;
        Receiver page(info);
        ASSERT_TRUE(page.start(server.url("/slow")));
    }
    EXPECT_FALSE(alive.expired());
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.expired(); }, kProbeWaitMs));
}

class UrlInfoProbe : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_nginx = new NginxServer;
        if (!s_nginx->start())
            s_startError = s_nginx->errorText();
        s_nginx->putFile("dl/setup.exe", QByteArray(kFileSize, 'x'));
    }
    static void TearDownTestSuite()
    {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_startError.isEmpty()) << s_startError.toStdString(); }

    static inline NginxServer* s_nginx = nullptr;
    static inline QString s_startError;
};

TEST_F(UrlInfoProbe, ReportsTheSizeOfA200AndIsIdleWhenTheResultArrives)
{
    auto info = std::make_shared<CUrlInfo>();
    Receiver receiver(info);
    const QString url = s_nginx->url("/dl/setup.exe?id=7");
    ASSERT_TRUE(receiver.start(url));
    ASSERT_TRUE(receiver.waitForOutcome());

    const Outcome& outcome = receiver.outcome();
    EXPECT_EQ(outcome.url, url);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_TRUE(outcome.gotSize);
    EXPECT_EQ(outcome.size, uint64_t(kFileSize));
    // Cleared before the post, so the page can start the next probe from its handler.
    EXPECT_FALSE(outcome.runningAtDelivery);
    EXPECT_TRUE(info->m_bDone);
    EXPECT_TRUE(info->m_bSucceeded);
    EXPECT_EQ(info->m_nSize, uint64_t(kFileSize));

    const QList<NginxServer::LogEntry> log = s_nginx->accessLogFor("/dl/setup.exe?id=7");
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].request, "HEAD /dl/setup.exe?id=7 HTTP/1.1");
    EXPECT_EQ(log[0].userAgent, kAgent);
    EXPECT_TRUE(log[0].referer.isEmpty());
}

TEST_F(UrlInfoProbe, CertificateErrorsAreForgiven)
{
    for (NginxServer::Cert cert : {NginxServer::Cert::SelfSigned, NginxServer::Cert::WrongHost,
                                   NginxServer::Cert::Expired}) {
        SCOPED_TRACE(int(cert));
        const Outcome outcome = probe(s_nginx->httpsUrl(cert, "/dl/setup.exe"));
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.size, uint64_t(kFileSize));
    }
}

TEST_F(UrlInfoProbe, FailuresAreSilent)
{
    const QString cases[] = {
        s_nginx->url("/missing.bin"),
        QString("http://127.0.0.1:%1/dl/setup.exe").arg(closedPort()),
        "a.zip",
        "",
        // Parses, but only http and https are probed, although nginx would answer.
        QString("foo://127.0.0.1:%1/dl/setup.exe").arg(s_nginx->port()),
    };
    for (const QString& url : cases) {
        SCOPED_TRACE(url.toStdString());
        const Outcome outcome = probe(url);
        EXPECT_EQ(outcome.url, url);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_FALSE(outcome.gotSize);
    }
}
