// A server that limits connections per client refuses a download's extra
// sections with 503 (or 429): they wait for room and finish in the same run.
#include "NginxRunFixture.h"
#include "support/NginxServer.h"

#include <algorithm>

namespace {

constexpr qsizetype kMiB = 1 << 20;

} // namespace

class ConnectionLimitTest : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        StartNginx([](NginxServer& nginx) {
            nginx.addHttpDirective(u"limit_conn_zone $binary_remote_addr zone=perip:1m;"_qs);
            nginx.addLocation(u"location /limited/ { limit_conn perip 2; limit_rate 4m; }"_qs);
        });
    }
};

// The refusals while other sections hold the two connections far outnumber
// the attempts a section has.
TEST_F(ConnectionLimitTest, EightSectionsFinishTwoAtATimeInOneRun)
{
    constexpr int32_t kAttempts = 3;
    set(&CAppSettingsBase::MaxAttempts, kAttempts);
    set(&CAppSettingsBase::PauseBetweenAttempts, 100);
    const QByteArray body = pattern(16 * kMiB);
    s_nginx->putFile(u"limited/big.bin"_qs, body);
    const auto item = makeItem(s_nginx->url(u"/limited/big.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
    EXPECT_EQ(download.m_sections.size(), 8u);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    const QList<NginxServer::LogEntry> log = s_nginx->accessLogFor(u"/limited/big.bin"_qs, 9);
    const auto refused = std::count_if(log.begin(), log.end(), [](const auto& entry) { return entry.status == 503; });
    EXPECT_GT(refused, 8 * kAttempts);
}

class ServerBusyTest : public RunFixture
{
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        set(&CAppSettingsBase::MaxSectionCountPerDownload, 2);
        set(&CAppSettingsBase::MinSectionSize, int32_t(kHalf));
        set(&CAppSettingsBase::MaxAttempts, 1);
    }

    // The preparing request gets the whole file; every later one goes to answer.
    std::unique_ptr<FaultServer> serve(std::function<FaultServer::Script(const FaultServer::Request&)> answer)
    {
        return std::make_unique<FaultServer>([=, this](const FaultServer::Request& request) {
            if (m_prepared.exchange(true) == false)
                return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
            return answer(request);
        });
    }

    static constexpr qsizetype kHalf = 4096;
    QByteArray m_body = pattern(2 * kHalf);
    std::atomic<bool> m_prepared{false};
};

// Section 1 is refused while section 0 still receives: it asks again after the
// answer's Retry-After, not after the long pause, and at no cost in attempts.
TEST_F(ServerBusyTest, RefusalWhileAnotherSectionReceivesWaitsForRetryAfter)
{
    set(&CAppSettingsBase::PauseBetweenAttempts, 60000);
    for (const int status : {503, 429}) {
        SCOPED_TRACE(status);
        m_prepared = false;
        std::atomic<bool> refused{false};
        const auto server = serve([&](const FaultServer::Request& request) {
            qsizetype first = 0;
            qsizetype last = 0;
            requestedRange(request, first, last);
            const QByteArray part = m_body.mid(first, last - first + 1);
            const QByteArray head = partialHeaders(first, last, m_body.size());
            if (first == 0)
                return FaultServer::Script{FaultServer::send(head + part.first(100)), FaultServer::wait(1500),
                                           FaultServer::send(part.sliced(100))};
            if (!refused.exchange(true))
                return FaultServer::Script{FaultServer::wait(300)} + FaultServer::answer(status, "Retry-After: 1\r\n");
            return FaultServer::Script{FaultServer::send(head + part)};
        });
        const auto item = makeItem(server->url(u"/file.bin"_qs));
        const auto started = std::chrono::steady_clock::now();

        ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
        EXPECT_EQ(server->requests().size(), 4);
    }
}

// With no other section receiving, a refusal is a failed attempt like any
// other, so a server that refuses everything still ends the run.
TEST_F(ServerBusyTest, ServerRefusingEverythingFailsAfterMaxAttempts)
{
    set(&CAppSettingsBase::MaxAttempts, 3);
    set(&CAppSettingsBase::PauseBetweenAttempts, 50);
    const auto server = serve([](const FaultServer::Request&) { return FaultServer::answer(503); });
    const auto item = makeItem(server->url(u"/file.bin"_qs));

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), u"传输失败。 状态代码：503 暂停服务"_qs);
    EXPECT_EQ(server->requests().size(), 1 + 2 * 3);
}
