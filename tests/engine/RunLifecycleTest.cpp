#include "NginxRunFixture.h"
#include "engine/DownloadStub.h"
#include "engine/InvalidArgException.h"
#include "platform/StringTable.h"
#include "platform/SystemError.h"
#include "support/NginxServer.h"

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <map>
#include <span>
#include <system_error>
#include <thread>

namespace {

constexpr int kMiB = 1 << 20;

QStringList Ranges(const QList<NginxServer::LogEntry>& log)
{
    QStringList ranges;
    for (const NginxServer::LogEntry& entry : log)
        ranges << entry.range;
    std::sort(ranges.begin(), ranges.end());
    return ranges;
}

// A download whose workers cannot be created from the failAt-th on (0: never).
class FailingLaunchDownload : public CHttpDownloader
{
public:
    using CHttpDownloader::CHttpDownloader;

    std::atomic<int> failAt{0};
    std::atomic<int> launches{0};

protected:
    void LaunchWorker(bool isFirst) override
    {
        const int launch = ++launches;
        if (failAt != 0 && launch >= failAt)
            throw std::system_error(EAGAIN, std::generic_category());
        CHttpDownloader::LaunchWorker(isFirst);
    }
};

} // namespace

class RunLifecycleTest : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        StartNginx([](NginxServer& nginx) {
            nginx.addLocation(u"location /slow/ { limit_rate 1m; }"_qs);
        });
    }

    // A file on nginx and a row that downloads it.
    static ItemPtr serve(const QString& path, const QByteArray& body)
    {
        s_nginx->putFile(path, body);
        return makeItem(s_nginx->url(u'/' + path));
    }
};

TEST_F(RunLifecycleTest, EightSectionsGiveTheSameFileAndTwoNotices)
{
    const QByteArray body = pattern(64 * kMiB);
    const auto item = serve(u"big.bin"_qs, body);
    CHttpDownloader& download = *item->m_pDownloader;
    const uint64_t usage = dataUsage();

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();

    const std::vector<RecordingSink::Notice> notices = sink().notices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].state, FileAllocated);
    EXPECT_EQ(notices[1].state, Completed);
    EXPECT_EQ(notices[1].itemId, item->m_nId);
    EXPECT_FALSE(notices[1].running);
    EXPECT_EQ(download.GetLocalFileName(), folder() + u"/big.bin"_qs);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    EXPECT_EQ(folderEntries(), QStringList{u"big.bin"_qs});
    EXPECT_EQ(Ranges(s_nginx->accessLogFor(u"/big.bin"_qs, 9)),
              (QStringList{u""_qs, u"bytes=0-8388607"_qs, u"bytes=16777216-25165823"_qs,
                           u"bytes=25165824-33554431"_qs, u"bytes=33554432-41943039"_qs,
                           u"bytes=41943040-50331647"_qs, u"bytes=50331648-58720255"_qs,
                           u"bytes=58720256-67108863"_qs, u"bytes=8388608-16777215"_qs}));
    EXPECT_EQ(download.m_nThreadsRunning, 8);
    EXPECT_EQ(download.m_nThreadsDone, 8);
    EXPECT_EQ(download.m_nThreadsFailed, 0);
    EXPECT_GT(download.m_nWholeDownloadTime, 0u);
    EXPECT_EQ(dataUsage() - usage, uint64_t(body.size()));
}

TEST_F(RunLifecycleTest, InformationRunPreparesAndPostsNothing)
{
    const auto item = serve(u"info.bin"_qs, pattern(3 * kMiB));
    CHttpDownloader& download = *item->m_pDownloader;

    download.Start(true);
    ASSERT_TRUE(waitUntilIdle(download));

    EXPECT_TRUE(sink().notices().empty());
    EXPECT_EQ(download.m_nState, Prepared);
    EXPECT_EQ(download.m_sections.size(), 3u);
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_EQ(download.m_nWholeDownloadTime, 0u);
    EXPECT_NE(download.m_nDownloadStartingTime, 0u);
    EXPECT_EQ(Ranges(s_nginx->accessLogFor(u"/info.bin"_qs)), QStringList{u""_qs});
}

TEST_F(RunLifecycleTest, PausedDownloadKeepsItsProgressInTheStubAndResumes)
{
    const QByteArray body = pattern(8 * kMiB);
    const auto item = serve(u"slow/paused.bin"_qs, body);
    CHttpDownloader& download = *item->m_pDownloader;
    download.Start(false);
    ASSERT_TRUE(waitFor([&] { return download.GetDownloadedSize() > 0; }));
    download.RequestPause();
    ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);

    const QByteArray partial = readFile(download.GetLocalFileName());
    ASSERT_EQ(partial.size(), body.size() + qsizetype(DownloadStub::kSize));
    DownloadStub stub;
    ASSERT_TRUE(stub.Decode(partial.sliced(body.size())));
    EXPECT_EQ(stub.m_strUrl, download.GetDownloadUrl());
    ASSERT_EQ(stub.m_nSectionCount, 8u);
    uint64_t recorded = 0;
    for (const DownloadStubSection& section : std::span(stub.m_sections.data(), 8)) {
        const qsizetype from = qsizetype(section.m_nRangeStartInitial);
        const qsizetype done = qsizetype(section.m_nRangeStart) - from;
        EXPECT_TRUE(partial.sliced(from, done) == body.sliced(from, done));
        recorded += uint64_t(done);
    }
    EXPECT_GT(recorded, 0u);
    EXPECT_EQ(recorded, download.GetDownloadedSize());

    // Each section asks for its rest and, to compare, for up to 64 KiB before it
    // that are on disk: its own, or while it has none its predecessor's once
    // that is complete.
    QStringList expected;
    for (uint32_t i = 0; i < stub.m_nSectionCount; ++i) {
        const DownloadStubSection& section = stub.m_sections[i];
        if (section.m_nRangeStart > section.m_nRangeEnd)
            continue;
        uint64_t onDisk = section.m_nRangeStart - section.m_nRangeStartInitial;
        if (onDisk == 0 && i > 0 && stub.m_sections[i - 1].m_nRangeStart > stub.m_sections[i - 1].m_nRangeEnd)
            onDisk = section.m_nRangeStartInitial - stub.m_sections[i - 1].m_nRangeStartInitial;
        expected << u"bytes=%1-%2"_qs.arg(section.m_nRangeStart - std::min<uint64_t>(onDisk, 64 * 1024))
                        .arg(section.m_nRangeEnd);
    }
    std::sort(expected.begin(), expected.end());
    const qsizetype logged = s_nginx->accessLogFor(u"/slow/paused.bin"_qs, 9).size();
    ASSERT_EQ(runToEnd(*item), Completed);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    EXPECT_EQ(Ranges(s_nginx->accessLogFor(u"/slow/paused.bin"_qs, int(logged + expected.size())).sliced(logged)),
              expected);
}

// While eight sections run, the stub on disk never falls further behind the
// bytes written than the rewrite interval allows (the interval once for the
// rewrite itself, once more for the sections' own looks, and a read each).
TEST_F(RunLifecycleTest, StubKeepsUpWithTheRunWithinItsInterval)
{
    constexpr uint64_t kEvery = 512 * 1024;
    set(&CAppSettingsBase::UpdateDownloadStubEvery, int32_t(kEvery));
    const QByteArray body = pattern(16 * kMiB);
    const auto item = serve(u"slow/tracked.bin"_qs, body);
    CHttpDownloader& download = *item->m_pDownloader;
    const uint64_t bound = 2 * kEvery + 8 * uint64_t(SettingLoad(settings().MaxTransferBufferSize));
    uint64_t recordedMidRun = 0;
    download.Start(false);
    while (sink().waitForFinal(item->m_nId, 20) < 0) {
        const uint64_t written = download.GetDownloadedSize();
        QFile file(download.GetLocalFileName());
        DownloadStub stub;
        // A stub read while it is being rewritten does not decode; the next look will.
        if (!file.open(QIODevice::ReadOnly) || file.size() != body.size() + qsizetype(DownloadStub::kSize)
            || !file.seek(body.size()) || !stub.Decode(file.read(DownloadStub::kSize)))
            continue;
        uint64_t recorded = 0;
        for (const DownloadStubSection& section : std::span(stub.m_sections.data(), stub.m_nSectionCount))
            recorded += section.m_nRangeStart - section.m_nRangeStartInitial;
        EXPECT_LT(written, recorded + bound);
        recordedMidRun = std::max(recordedMidRun, recorded);
    }
    EXPECT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Completed);
    EXPECT_GE(recordedMidRun, kEvery);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
}

// Eight sections of which three are complete: the run does not prepare again,
// five workers take a section and the sixth finds none. Each asks again for its
// own bytes, to compare them.
TEST_F(RunLifecycleTest, ResumedDownloadRunsOneWorkerPerSectionLeftAndOneMore)
{
    constexpr qsizetype kShare = 4096;
    const QByteArray body = pattern(8 * kShare);
    const auto item = serve(u"chain.bin"_qs, body);
    CHttpDownloader& download = *item->m_pDownloader;
    download.m_bAcceptRanges = 1;
    download.m_bGotFileSize = 1;
    download.m_nFileSize = uint64_t(body.size());
    download.SetDownloadUrl(download.m_strUrl);
    download.SetFileTitle(u"chain.bin"_qs);
    const QString partialPath = folder() + u"/chain.bin.vrldownload"_qs;
    download.SetLocalFileName(partialPath);
    QByteArray partial(body.size() + DownloadStub::kSize, '\0');
    for (int i = 0; i < 8; ++i) {
        const qsizetype done = i < 3 ? kShare : 1000;
        partial.replace(i * kShare, done, body.sliced(i * kShare, done));
        auto section = std::make_unique<CSection>();
        section->m_pDownloader = &download;
        section->m_nIndex = i;
        section->m_nRangeStartInitial = uint64_t(i * kShare);
        section->m_nRangeStart = uint64_t(i * kShare + done);
        section->m_nRangeEnd = uint64_t((i + 1) * kShare - 1);
        download.AppendSection(std::move(section));
    }
    QDir().mkpath(folder());
    QFile file(partialPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(partial) == partial.size());
    file.close();
    download.m_nState = Paused;

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();

    EXPECT_EQ(sink().statesOf(item->m_nId), std::vector<int32_t>{Completed});
    EXPECT_EQ(download.m_nThreadsRunning, 6);
    EXPECT_EQ(download.m_nThreadsDone, 6);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    EXPECT_EQ(Ranges(s_nginx->accessLogFor(u"/chain.bin"_qs, 5)),
              (QStringList{u"bytes=12288-16383"_qs, u"bytes=16384-20479"_qs, u"bytes=20480-24575"_qs,
                           u"bytes=24576-28671"_qs, u"bytes=28672-32767"_qs}));
}

struct SplitCase
{
    const char* name;
    uint64_t size;
    int32_t maxSections;
    int32_t minSectionSize;
    bool acceptRanges;
    bool gotSize;
    std::vector<std::pair<uint64_t, uint64_t>> ranges; // empty: one open-ended section
};

TEST_F(RunLifecycleTest, SplitFollowsSizeCountAndMinimum)
{
    constexpr uint64_t k10MiB = 10 * kMiB;
    constexpr uint64_t k3GiB = 3ull << 30;
    const SplitCase cases[] = {
        {"10 MiB in eight", k10MiB, 8, kMiB, true, true,
         {{0, 1310719}, {1310720, 2621439}, {2621440, 3932159}, {3932160, 5242879}, {5242880, 6553599},
          {6553600, 7864319}, {7864320, 9175039}, {9175040, 10485759}}},
        {"3 MiB in three", 3 * kMiB, 8, kMiB, true, true, {{0, 1048575}, {1048576, 2097151}, {2097152, 3145727}}},
        {"under twice the minimum", 2 * kMiB - 1, 8, kMiB, true, true, {{0, 2097150}}},
        {"last takes the remainder", 1000003, 2, 500000, true, true, {{0, 500000}, {500001, 1000002}}},
        {"no ranges", 5000, 8, 1, false, true, {{0, 4999}}},
        {"unknown size", 0, 8, kMiB, true, false, {}},
        {"empty resumable file", 0, 8, kMiB, true, true, {}},
        {"minimum 0 counts as 1", 3, 8, 0, true, true, {{0, 0}, {1, 1}, {2, 2}}},
        {"negative minimum counts as 1", 3, 8, -5, true, true, {{0, 0}, {1, 1}, {2, 2}}},
        {"twice the largest minimum passes 32 bits", k3GiB, 8, 1 << 30, true, true,
         {{0, (1ull << 30) - 1}, {1ull << 30, (2ull << 30) - 1}, {2ull << 30, k3GiB - 1}}},
    };
    for (const SplitCase& split : cases) {
        SCOPED_TRACE(split.name);
        set(&CAppSettingsBase::MaxSectionCountPerDownload, split.maxSections);
        set(&CAppSettingsBase::MinSectionSize, split.minSectionSize);
        CHttpDownloader download(u"http://127.0.0.1/x"_qs, folder(), nullptr);
        download.m_nFileSize = split.size;
        download.m_bAcceptRanges = split.acceptRanges;
        download.m_bGotFileSize = split.gotSize;
        download.CreateSections();
        std::vector<std::pair<uint64_t, uint64_t>> ranges;
        for (const auto& section : download.m_sections) {
            EXPECT_EQ(section->m_nIndex, int32_t(ranges.size()));
            EXPECT_EQ(section->m_nRangeStart, section->m_nRangeStartInitial);
            if (section->m_bIsUnknownLength)
                EXPECT_EQ(section->m_nRangeEnd, 0u);
            else
                ranges.emplace_back(section->m_nRangeStartInitial, section->m_nRangeEnd);
        }
        EXPECT_EQ(ranges, split.ranges);
        EXPECT_EQ(download.m_sections.size(), std::max<size_t>(split.ranges.size(), 1));
    }
}

TEST_F(RunLifecycleTest, SectionCountOutsideOneToEightIsRefused)
{
    for (const int32_t count : {0, 9}) {
        set(&CAppSettingsBase::MaxSectionCountPerDownload, count);
        CHttpDownloader direct(u"http://127.0.0.1/x"_qs, folder(), nullptr);
        direct.AppendSection(std::make_unique<CSection>());
        EXPECT_THROW(direct.CreateSections(), CInvalidArgException);
        EXPECT_EQ(direct.m_sections.size(), 1u);

        const QString path = u"count%1.bin"_qs.arg(count);
        const auto item = serve(path, pattern(4096));
        ASSERT_EQ(runToEnd(*item), PrepairingFailed);
        EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), LoadResString(TextId::PrepareFailed));
        EXPECT_TRUE(item->m_pDownloader->m_sections.empty());
        EXPECT_EQ(sink().statesOf(item->m_nId), std::vector<int32_t>{PrepairingFailed});
        EXPECT_EQ(Ranges(s_nginx->accessLogFor(u'/' + path)), QStringList{u""_qs});
    }
}

TEST_F(RunLifecycleTest, FirstWorkerThatCannotBeCreatedIsRecorded)
{
    ItemPtr item(new CDownloadItem);
    auto* download = new FailingLaunchDownload(s_nginx->url(u"/never.bin"_qs), folder(), item.get());
    item->m_pDownloader = download;
    download->failAt = 1;

    download->Start(false);

    EXPECT_FALSE(download->m_bIsRunning);
    EXPECT_EQ(download->m_nThreadsRunning, 0);
    EXPECT_EQ(download->m_nState, NeedToPrepare);
    EXPECT_EQ(download->m_pError->GetText(),
              LoadResString(TextId::OutOfMemory) + u' ' + GetSystemErrorText(EAGAIN) + u" (%1)"_qs.arg(EAGAIN));
    EXPECT_TRUE(sink().notices().empty());
}

// Sections left over for want of a worker fail the run with the reason, not
// Paused as if a pause had been asked; the next run takes them.
TEST_F(RunLifecycleTest, ChainThatCannotGrowFailsTheRunAndLeavesTheRestForTheNext)
{
    const QByteArray body = pattern(8 * 4096);
    s_nginx->putFile(u"short-chain.bin"_qs, body);
    set(&CAppSettingsBase::MinSectionSize, 4096);
    ItemPtr item(new CDownloadItem);
    auto* download = new FailingLaunchDownload(s_nginx->url(u"/short-chain.bin"_qs), folder(), item.get());
    item->m_pDownloader = download;
    download->failAt = 3;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(download->m_pError->GetText(),
              LoadResString(TextId::OutOfMemory) + u' ' + GetSystemErrorText(EAGAIN) + u" (%1)"_qs.arg(EAGAIN));
    EXPECT_EQ(download->m_nThreadsRunning, 2);
    EXPECT_EQ(download->m_nThreadsFailed, 1);
    EXPECT_EQ(download->m_nThreadsDone, 2);
    EXPECT_EQ(download->GetDownloadedSize(), 2u * 4096);

    download->failAt = 0;
    ASSERT_EQ(runToEnd(*item), Completed);
    EXPECT_TRUE(readFile(download->GetLocalFileName()) == body);
}

TEST_F(RunLifecycleTest, PreparingIsRetriedAndAPauseEndsTheWaitAtOnce)
{
    FaultServer server([](const FaultServer::Request&) { return FaultServer::Script{FaultServer::reset()}; });
    set(&CAppSettingsBase::MaxAttempts, 3);
    set(&CAppSettingsBase::PauseBetweenAttempts, 100);
    const auto failing = makeItem(server.url(u"/reset"_qs));

    ASSERT_EQ(runToEnd(*failing), PrepairingFailed);
    EXPECT_EQ(server.requests().size(), 3);
    const QString text = failing->m_pDownloader->m_pError->GetText();
    EXPECT_TRUE(text.startsWith(LoadResString(TextId::SendRequestFailed))
                || text.startsWith(LoadResString(TextId::StatusQueryFailed)))
        << text.toStdString();
    EXPECT_TRUE(QRegularExpression(u" \\(120\\d\\d\\)$"_qs).match(text).hasMatch()) << text.toStdString();

    // Far longer than the test waits for the end.
    set(&CAppSettingsBase::PauseBetweenAttempts, 30000);
    const auto paused = makeItem(server.url(u"/reset-then-pause"_qs));
    sink().clear();
    paused->m_pDownloader->Start(false);
    // The failed attempt is on record: the wait before the next one has begun.
    ASSERT_TRUE(waitFor([&] {
        return server.requests().size() == 4 && paused->m_pDownloader->m_pError->m_nErrorCounter > 0;
    }));
    paused->m_pDownloader->RequestPause();
    EXPECT_EQ(sink().waitForFinal(paused->m_nId, 5000), NeedToPrepare);
    EXPECT_EQ(server.requests().size(), 4);
}

TEST_F(RunLifecycleTest, FinishingFailedDownloadIsOnlyFinished)
{
    FaultServer server([](const FaultServer::Request&) { return FaultServer::answer(500); });
    const QByteArray body = pattern(5000);
    const auto item = makeItem(server.url(u"/done.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;
    download.m_bAcceptRanges = 1;
    download.m_bGotFileSize = 1;
    download.m_nFileSize = uint64_t(body.size());
    download.SetFileTitle(u"done.bin"_qs);
    download.SetLocalFileName(folder() + u"/done.bin.vrldownload"_qs);
    QDir().mkpath(folder());
    QFile file(download.GetLocalFileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(body) == body.size());
    file.close();
    download.m_nState = FinishingFailed;

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
    EXPECT_EQ(download.GetLocalFileName(), folder() + u"/done.bin"_qs);
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    EXPECT_TRUE(server.requests().isEmpty());
}

// Sixteen bytes in eight sections of two: many workers end at once, and each
// run must still be settled exactly once.
TEST_F(RunLifecycleTest, LastWorkerOutSettlesEachRunOnce)
{
    constexpr int kRuns = 100;
    constexpr int kAtOnce = 4;
    set(&CAppSettingsBase::MinSectionSize, 1);
    const QByteArray body = pattern(16);
    s_nginx->putFile(u"tiny.bin"_qs, body);
    for (int round = 0; round < kRuns / kAtOnce; ++round) {
        std::vector<ItemPtr> items;
        for (int i = 0; i < kAtOnce; ++i)
            items.push_back(makeItem(s_nginx->url(u"/tiny.bin"_qs)));
        for (const auto& item : items)
            item->m_pDownloader->Start(false);
        for (const auto& item : items) {
            ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Completed);
            EXPECT_EQ(item->m_pDownloader->m_sections.size(), 8u);
            EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == body);
        }
        // Freed as soon as the notice came, with the last workers still returning.
        items.clear();
    }
    std::map<uint64_t, std::vector<int32_t>> byItem;
    for (const RecordingSink::Notice& notice : sink().notices())
        byItem[notice.itemId].push_back(notice.state);
    EXPECT_EQ(byItem.size(), size_t(kRuns));
    for (const auto& [id, states] : byItem)
        EXPECT_EQ(states, (std::vector<int32_t>{FileAllocated, Completed})) << id;
}

// Pause requests that keep coming while runs end: none may land after the
// final state was decided and leave the download in Pausing.
TEST_F(RunLifecycleTest, PauseRequestsNeverUndoTheFinalState)
{
    s_nginx->putFile(u"race.bin"_qs, pattern(64));
    for (const bool infoOnly : {false, true}) {
        for (int run = 0; run < 30; ++run) {
            const auto item = makeItem(s_nginx->url(u"/race.bin"_qs));
            CHttpDownloader& download = *item->m_pDownloader;
            std::atomic<bool> done{false};
            std::thread pauser([&] {
                while (!done)
                    download.RequestPause();
            });
            download.Start(infoOnly);
            const bool ended = waitUntilIdle(download);
            done = true;
            pauser.join();
            ASSERT_TRUE(ended);
            const int32_t state = download.m_nState;
            EXPECT_NE(state, Pausing) << "information only: " << infoOnly;
            download.RequestPause();
            EXPECT_EQ(download.m_nState, state);
        }
    }
}

// A pause soon after a resumed run starts, at moments a few microseconds apart,
// lands at some point while the first worker opens its session, between its
// look at the state and its Transferring: no worker ever undoes it, and every
// run ends Paused.
TEST_F(RunLifecycleTest, APauseIsNeverUndoneByAWorker)
{
    const auto item = serve(u"slow/pausing.bin"_qs, pattern(8 * kMiB));
    CHttpDownloader& download = *item->m_pDownloader;
    download.Start(false);
    ASSERT_TRUE(waitFor([&] { return download.GetDownloadedSize() > 0; }));
    download.RequestPause();
    ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);
    for (int run = 0; run < 100; ++run) {
        SCOPED_TRACE(run);
        sink().clear(&download);
        download.Start(false);
        const auto moment = std::chrono::steady_clock::now() + std::chrono::microseconds(3 * run);
        while (std::chrono::steady_clock::now() < moment) {
        }
        download.RequestPause();
        // The final state comes before the running flag is cleared.
        while (download.m_bIsRunning) {
            const int32_t state = download.m_nState;
            ASSERT_TRUE(state == Pausing || state == Paused) << state;
        }
        ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);
    }
}

TEST_F(RunLifecycleTest, RunTimeComesFromTheMonotonicClock)
{
    static std::atomic<int64_t> now{1'000'000'000'000};
    static std::atomic<int> workerClockReads{0};
    static std::thread::id testThread;
    testThread = std::this_thread::get_id();
    workerClockReads = 0;
    CSteadyClock::SetSourceForTest([] {
        if (std::this_thread::get_id() != testThread)
            ++workerClockReads;
        return now.load();
    });
    const QByteArray body = pattern(4096);
    FaultServer server([&](const FaultServer::Request& request) {
        if (!request.hasHeader("Range"))
            return FaultServer::answer(200, "Accept-Ranges: bytes\r\n", body);
        return FaultServer::Script{FaultServer::send(partialHeaders(0, 4095, 4096) + body.first(100)),
                                   FaultServer::stall()};
    });
    const auto item = makeItem(server.url(u"/stalled.bin"_qs));
    CHttpDownloader& download = *item->m_pDownloader;
    sink().clear();
    download.Start(false);
    // The one section reads the clock as its body starts and again after its
    // first read; a later read waits for the stalled rest.
    ASSERT_TRUE(waitFor([&] { return workerClockReads >= 2; }));
    {
        const auto lock = download.LockSections();
        ASSERT_EQ(download.m_sections.size(), 1u);
    }
    now += 7'000'000'000;
    download.RequestPause();

    ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused) << download.m_pError->GetText().toStdString();
    EXPECT_EQ(download.m_nWholeDownloadTime, 7u * kFileTimeTicksPerSecond);
    EXPECT_NE(download.m_nDownloadStartingTime, 0u);
    // The clock stood still, so only the way out wrote what the section had
    // gathered: one read or two, as the pause came.
    const qsizetype downloaded = qsizetype(download.GetDownloadedSize());
    EXPECT_GE(downloaded, 64);
    EXPECT_TRUE(readFile(download.GetLocalFileName()).first(downloaded) == body.first(downloaded));
}

TEST_F(RunLifecycleTest, RequestOptionsChangedDuringARunReachTheWorkersSafely)
{
    const QByteArray body = pattern(4 * kMiB);
    const auto item = serve(u"slow/options.bin"_qs, body);
    CHttpDownloader& download = *item->m_pDownloader;
    sink().clear(&download);
    download.Start(false);
    // What the properties dialog applies while the sections run.
    for (int i = 0; download.m_bIsRunning || i == 0; ++i) {
        download.SetReferer(QStringLiteral("http://referer/%1").arg(i));
        download.SetAuthorization(i % 2 == 0, QStringLiteral("user%1").arg(i), QStringLiteral("secret"));
        download.SetAccessType(i % 2 == 0 ? Preconfig : Direct);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Completed) << download.m_pError->GetText().toStdString();
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
}
