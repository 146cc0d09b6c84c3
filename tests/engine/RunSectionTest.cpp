#include "RunFixture.h"
#include "platform/StringTable.h"

#include <atomic>

namespace {

constexpr qsizetype kShare = 64 * 1024;
constexpr qsizetype kChunk = 8 * 1024;
constexpr int kChunkWaitMs = 150;
const QString kNotFoundText = u"传输失败。 状态代码：404 未找到"_qs;
const QString kForbiddenText = u"传输失败。 状态代码：403 禁止访问"_qs;
const QString kGoneText = u"传输失败。 状态代码：410 已不存在"_qs;
const QString kServerErrorText = u"传输失败。 状态代码：500 内部服务器错误"_qs;

} // namespace

// Four sections of 64 KiB from the fault server, for what a run does when one
// of them fails.
class RunSectionTest : public RunFixture
{
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        set(&CAppSettingsBase::MaxSectionCountPerDownload, 4);
        set(&CAppSettingsBase::MinSectionSize, 1);
        set(&CAppSettingsBase::PauseBetweenAttempts, 100);
    }

    // Section 2 is not found; section 3's first attempt breaks off after a while
    // when resetOnce is set; the others arrive slowly.
    FaultServer::Responder responder(bool resetOnce)
    {
        return [this, resetOnce](const FaultServer::Request& request) -> FaultServer::Script {
            qsizetype first = 0;
            qsizetype last = 0;
            if (!requestedRange(request, first, last))
                return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
            if (first == 2 * kShare)
                return FaultServer::answer(404);
            if (first == 3 * kShare && resetOnce && !m_resetDone.exchange(true))
                return {FaultServer::send(partialHeaders(first, last, m_body.size()) + m_body.mid(first, 100)),
                        FaultServer::wait(400), FaultServer::reset()};
            return slowPart(m_body, first, last);
        };
    }

    // The partial answer for a range, sent piece by piece so that it lasts a while.
    static FaultServer::Script slowPart(const QByteArray& body, qsizetype first, qsizetype last)
    {
        FaultServer::Script script{FaultServer::send(partialHeaders(first, last, body.size()))};
        for (qsizetype at = first; at <= last; at += kChunk) {
            script << FaultServer::wait(kChunkWaitMs);
            script << FaultServer::send(body.mid(at, std::min(kChunk, last + 1 - at)));
        }
        return script;
    }

    QByteArray m_body = pattern(4 * kShare);
    std::atomic<bool> m_resetDone{false};
};

TEST_F(RunSectionTest, FailedSectionStopsTheOthersWhenSoSet)
{
    set(&CAppSettingsBase::StopDownloadOnSectionFail, 1);
    FaultServer server(responder(false));
    const auto item = makeItem(server.url(u"/four.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(download.m_pError->GetText(), kNotFoundText);
    for (const auto& section : download.m_sections)
        EXPECT_FALSE(section->IsComplete()) << section->m_nIndex;
    EXPECT_TRUE(download.m_sections[2]->m_bIsFailed);
    EXPECT_FALSE(download.m_sections[0]->m_bIsFailed);
}

// Section 3's second attempt clears the record after section 2 failed for
// good; the run must still say why it failed.
TEST_F(RunSectionTest, OtherSectionsGoOnAndTheFailureKeepsItsReason)
{
    set(&CAppSettingsBase::StopDownloadOnSectionFail, 0);
    FaultServer server(responder(true));
    const auto item = makeItem(server.url(u"/four.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(download.m_pError->GetText(), kNotFoundText);
    EXPECT_TRUE(m_resetDone);
    for (const auto& section : download.m_sections)
        EXPECT_EQ(section->IsComplete(), section->m_nIndex != 2) << section->m_nIndex;
    const QByteArray partial = readFile(download.GetLocalFileName());
    EXPECT_TRUE(partial.first(2 * kShare) == m_body.first(2 * kShare));
    EXPECT_TRUE(partial.sliced(3 * kShare, kShare) == m_body.sliced(3 * kShare, kShare));
}

TEST_F(RunSectionTest, SectionWhoseEveryAttemptBreaksFails)
{
    set(&CAppSettingsBase::MaxAttempts, 3);
    FaultServer server([this](const FaultServer::Request& request) -> FaultServer::Script {
        qsizetype first = 0;
        qsizetype last = 0;
        if (!requestedRange(request, first, last))
            return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
        // Section 1's, however far before its start an attempt asks.
        if (last == 2 * kShare - 1)
            return {FaultServer::reset()};
        return rangedAnswer(request, m_body);
    });
    const auto item = makeItem(server.url(u"/broken.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_TRUE(download.m_sections[1]->m_bIsFailed);
    EXPECT_FALSE(download.m_sections[1]->IsComplete());
    int attempts = 0;
    for (const FaultServer::Request& request : server.requests())
        attempts += request.header("Range").endsWith('-' + QByteArray::number(2 * kShare - 1));
    EXPECT_EQ(attempts, 3);
    EXPECT_FALSE(download.m_pError->GetText().isEmpty());
}

TEST_F(RunSectionTest, PauseWhileASectionWaitsToRetryEndsFailed)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    set(&CAppSettingsBase::PauseBetweenAttempts, 30000);
    FaultServer server([this](const FaultServer::Request& request) -> FaultServer::Script {
        if (!request.hasHeader("Range"))
            return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
        return {FaultServer::reset()};
    });
    const auto item = makeItem(server.url(u"/waiting.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;
    sink().clear();
    download.Start(false);
    ASSERT_TRUE(waitFor([&] {
        const auto lock = download.LockSections();
        return !download.m_sections.empty() && download.m_sections[0]->m_nLastStatus == WaitingForNextAttempt;
    }));
    download.RequestPause();

    EXPECT_EQ(sink().waitForFinal(item->m_nId, 5000), TransferringFailed);
    EXPECT_EQ(server.requests().size(), 2);
}

// The four sections fail for good at the same moment, each for its own reason:
// each keeps its own, and the run's is the first failed section's, never the
// reason of one that failed later.
TEST_F(RunSectionTest, ConcurrentFailuresKeepTheirOwnReasons)
{
    const int statuses[] = {404, 403, 410, 500};
    const QString texts[] = {kNotFoundText, kForbiddenText, kGoneText, kServerErrorText};
    for (const int32_t stop : {0, 1}) {
        set(&CAppSettingsBase::StopDownloadOnSectionFail, stop);
        for (int round = 0; round < 5; ++round) {
            SCOPED_TRACE(testing::Message() << "stop " << stop << ", round " << round);
            std::atomic<int> asked{0};
            FaultServer server([&](const FaultServer::Request& request) -> FaultServer::Script {
                qsizetype first = 0;
                qsizetype last = 0;
                if (!requestedRange(request, first, last))
                    return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
                ++asked;
                waitFor([&] { return asked == 4; }, 5000);
                return FaultServer::answer(statuses[last / kShare]);
            });
            const auto item = makeItem(server.url(u"/four.bin"_qs));
            CHttpDownloader& download = *item->m_pDownloader;

            ASSERT_EQ(runToEnd(*item), TransferringFailed);
            // Stopping the others may cancel one whose answer has yet to come.
            QString first;
            for (const auto& section : download.m_sections) {
                EXPECT_TRUE(section->m_bIsFailed || stop) << section->m_nIndex;
                if (!section->m_bIsFailed)
                    continue;
                EXPECT_EQ(section->m_error.GetText(), texts[section->m_nIndex]) << section->m_nIndex;
                if (first.isEmpty())
                    first = texts[section->m_nIndex];
            }
            EXPECT_EQ(download.m_pError->GetText(), first);
        }
    }
}

// Section 1's connection breaks and it waits to try again when section 2 fails
// for good and so stops the download: the run says section 2's reason.
TEST_F(RunSectionTest, AFailureForGoodOutweighsAWaitCutShort)
{
    set(&CAppSettingsBase::StopDownloadOnSectionFail, 1);
    set(&CAppSettingsBase::PauseBetweenAttempts, 30000);
    FaultServer server([this](const FaultServer::Request& request) -> FaultServer::Script {
        qsizetype first = 0;
        qsizetype last = 0;
        if (!requestedRange(request, first, last))
            return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", m_body);
        if (last / kShare == 1)
            return {FaultServer::reset()};
        if (last / kShare == 2)
            return {FaultServer::wait(500), FaultServer::send(FaultServer::response(404))};
        return slowPart(m_body, first, last);
    });
    const auto item = makeItem(server.url(u"/four.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(download.m_pError->GetText(), kNotFoundText);
    EXPECT_TRUE(download.m_sections[1]->m_bIsFailed);
    const QString broken = download.m_sections[1]->m_error.GetText();
    EXPECT_FALSE(broken.isEmpty());
    EXPECT_NE(broken, kNotFoundText);
}
