#include "TransferFixture.h"
#include "support/PollUntil.h"
#include "engine/ContentRange.h"
#include "engine/DownloadStub.h"
#include "platform/StringTable.h"
#include "platform/SystemError.h"

#include <atomic>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace transfer;

struct AnswerCase
{
    const char* name;
    std::function<Script(const TransferTest&, qsizetype, qsizetype)> answer;
    QString text;
    uint64_t downloaded = 0;
};

TEST_F(TransferTest, AnswersThatDoNotFitTheSectionFailIt)
{
    std::atomic<bool> secondAsked = false;
    const AnswerCase cases[] = {
        {"not found", [](const TransferTest&, qsizetype, qsizetype) { return FaultServer::answer(404); }, kNotFoundText},
        // Section 0 may take its part of a whole body; section 1 must not take any.
        // Section 0 answers once section 1 has asked: a section 1 that started
        // only after section 0 had finished would ask from byte 0 and fit.
        {"whole body of unknown length for each range",
         [&secondAsked](const TransferTest& test, qsizetype, qsizetype last) {
             if (last >= kHalf)
                 secondAsked = true;
             else
                 PollUntil([&] { return secondAsked.load(); }, 5000);
             return Script{FaultServer::send("HTTP/1.1 200 OK\r\n\r\n" + test.m_body), FaultServer::close()};
         },
         kChangedText, kHalf},
        {"range one byte off",
         [](const TransferTest& test, qsizetype first, qsizetype last) {
             return Script{FaultServer::send(partialHeaders(first + 1, last + 1, kSize + 1)
                                             + test.m_body.mid(first + 1, last - first + 1))};
         },
         kChangedText},
        {"no Content-Range",
         [](const TransferTest& test, qsizetype first, qsizetype last) {
             return FaultServer::answer(206, {}, test.m_body.mid(first, last - first + 1));
         },
         kChangedText},
        {"multipart answer",
         [](const TransferTest& test, qsizetype first, qsizetype last) {
             return test.part(first, last, "Content-Type: multipart/byteranges; boundary=b\r\n");
         },
         kChangedText},
        {"Content-Length other than the range",
         [](const TransferTest& test, qsizetype first, qsizetype last) {
             return Script{FaultServer::send("HTTP/1.1 206 Partial\r\nContent-Range: bytes " + QByteArray::number(first) + '-'
                                             + QByteArray::number(last) + "/4096\r\nContent-Length: "
                                             + QByteArray::number(last - first) + "\r\n\r\n"
                                             + test.m_body.mid(first, last - first))};
         },
         kChangedText},
    };
    for (const AnswerCase& answer : cases) {
        SCOPED_TRACE(answer.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype first, qsizetype last) {
            return answer.answer(*this, first, last);
        });
        const auto item = makeItemOn(*server);
        ASSERT_EQ(runToEnd(*item), TransferringFailed);
        EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), answer.text);
        EXPECT_EQ(item->m_pDownloader->GetDownloadedSize(), answer.downloaded);
    }
}

// Section 0's answer runs on past its range, after section 1 has written its
// own: the bytes beyond must not reach the neighbour.
TEST_F(TransferTest, BytesBeyondTheSectionAreNotWritten)
{
    const auto server = serve([this](const Request&, qsizetype first, qsizetype last) {
        QByteArray header = partialHeaders(first, last, kSize);
        header.replace("Content-Length: " + QByteArray::number(last - first + 1) + "\r\n", kChunkedHeader);
        const Script answer{FaultServer::send(header + Chunked(m_body.mid(first, last - first + 1))
                                              + Chunked(QByteArray(10, 'X')) + kLastChunk)};
        return first == 0 ? Script{FaultServer::wait(300)} + answer : Script{part(first, last)};
    });
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_EQ(download.m_pError->GetText(), kChangedText);
    EXPECT_TRUE(download.m_sections[0]->IsComplete());
    EXPECT_TRUE(download.m_sections[0]->m_bIsFailed);
    const QByteArray partial = readFile(download.GetLocalFileName());
    ASSERT_EQ(partial.size(), kSize + qsizetype(DownloadStub::kSize));
    EXPECT_TRUE(partial.first(kSize) == m_body);
}

// Section 1 answers only after a while. An HTML page in place of section 0's
// part stops both at once; a part that lands where it was asked for is data,
// whatever type it is labelled (as some small servers label every part).
TEST_F(TransferTest, HtmlInPlaceOfAPartStopsEverySection)
{
    set(&CAppSettingsBase::StopIfHtmlContentReturned, 1);
    const QByteArray html = "Content-Type: Text/HTML; charset=utf-8\r\n";
    struct Case
    {
        const char* name;
        std::function<Script(const TransferTest&, qsizetype, qsizetype)> answer;
        int32_t state;
    };
    const Case cases[] = {
        {"page", [&](const TransferTest&, qsizetype, qsizetype) { return FaultServer::answer(200, html, "<p>"); },
         TransferringFailed},
        {"part one byte off",
         [&](const TransferTest& test, qsizetype first, qsizetype last) { return test.part(first + 1, last, html); },
         TransferringFailed},
        {"part", [&](const TransferTest& test, qsizetype first, qsizetype last) { return test.part(first, last, html); },
         Completed},
    };
    for (const Case& answer : cases) {
        SCOPED_TRACE(answer.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype first, qsizetype last) {
            if (first != 0)
                return Script{FaultServer::wait(1500)} + part(first, last);
            return answer.answer(*this, first, last);
        });
        const auto item = makeItemOn(*server);
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(runToEnd(*item), answer.state);
        if (answer.state == Completed) {
            EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
        } else {
            EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), kHtmlText);
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
        }
    }
}

TEST_F(TransferTest, EmptyResumableFileCompletesAndTakesNoByte)
{
    m_body.clear();
    struct Case
    {
        const char* name;
        QByteArray answer;
        int32_t state;
    };
    const Case cases[] = {
        {"empty body", FaultServer::response(200, kResumable), Completed},
        {"one byte said", FaultServer::response(200, kResumable, "x"), TransferringFailed},
        {"one byte unsaid", "HTTP/1.1 200 OK\r\n\r\nx", TransferringFailed},
    };
    for (const Case& answer : cases) {
        SCOPED_TRACE(answer.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype, qsizetype) {
            return Script{FaultServer::send(answer.answer), FaultServer::close()};
        });
        const auto item = makeItemOn(*server);
        CHttpDownloader& download = *item->m_pDownloader;
        ASSERT_EQ(runToEnd(*item), answer.state);
        EXPECT_EQ(rangesOf(*server), (std::vector<QByteArray>{{}, {}}));
        if (answer.state == Completed) {
            EXPECT_EQ(QFileInfo(download.GetLocalFileName()).size(), 0);
        } else {
            EXPECT_EQ(download.m_pError->GetText(), kChangedText);
            EXPECT_EQ(QFileInfo(download.GetLocalFileName()).size(), qint64(DownloadStub::kSize));
        }
    }
}

// A body of unknown length is fetched whole by every attempt: the second one
// starts the file again rather than appending to what the first left.
TEST_F(TransferTest, OpenEndedSectionStartsAgainAfterABodyCutShort)
{
    m_body = pattern(300000);
    std::atomic<int> attempt{0};
    const auto server = serve(
        [&](const Request&, qsizetype, qsizetype) {
            if (attempt++ == 0)
                return Script{FaultServer::send("HTTP/1.1 200 OK\r\n" + kChunkedHeader + "\r\n" + Chunked(m_body.first(100000))),
                              FaultServer::wait(300), FaultServer::close()};
            return Script{FaultServer::send("HTTP/1.1 200 OK\r\n\r\n" + m_body), FaultServer::close()};
        },
        {}, false);
    const auto item = makeItemOn(*server);
    const uint64_t usage = dataUsage();

    ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
    EXPECT_EQ(attempt, 2);
    EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
    EXPECT_EQ(dataUsage() - usage, 400000u);
}

struct CutCase
{
    const char* name;
    QByteArray prepareHeaders;
    QByteArray secondRange; // as the second attempt asks for it
    bool serverIgnoresRanges;
};

// The first attempt of a one-section download breaks off after 1000 bytes. A
// resumable download asks for the rest, and again for the 1000 bytes to compare;
// one without ranges gets the whole body again and must write it from byte 0.
TEST_F(TransferTest, AttemptAfterABodyCutShortLandsAtTheRightOffset)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    const CutCase cases[] = {
        {"resumable", kResumable, "bytes=0-4095", false},
        {"without ranges, server ignores them", {}, "bytes=1000-4095", true},
    };
    for (const CutCase& cut : cases) {
        SCOPED_TRACE(cut.name);
        m_prepared = false;
        std::atomic<int> attempt{0};
        const auto server = serve(
            [&](const Request& request, qsizetype first, qsizetype last) {
                const QByteArray headers = cut.serverIgnoresRanges
                    ? "HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n\r\n" : partialHeaders(first, last, kSize);
                if (attempt++ == 0)
                    return Script{FaultServer::send(headers + m_body.first(1000)), FaultServer::wait(300),
                                  FaultServer::close()};
                return cut.serverIgnoresRanges ? FaultServer::answer(200, {}, m_body) : rangedAnswer(request, m_body);
            },
            cut.prepareHeaders);
        const auto item = makeItemOn(*server);

        ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
        EXPECT_EQ(rangesOf(*server), (std::vector<QByteArray>{{}, "bytes=0-4095", cut.secondRange}));
        EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
    }
}

// Without ranges the rest of a body that ended short cannot be asked for: the
// run fails and says why, whatever every later attempt would answer.
TEST_F(TransferTest, BodyEndingShortWithoutRangesFailsTheRun)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    m_body = pattern(500000);
    struct Case
    {
        const char* name;
        QByteArray answer;
    };
    const Case cases[] = {
        {"206 with a part", partialHeaders(0, 99, m_body.size()) + m_body.first(100)},
        {"200 cut before its Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 500000\r\n\r\n" + m_body.first(100)},
    };
    for (const Case& cut : cases) {
        SCOPED_TRACE(cut.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype, qsizetype) {
            return Script{FaultServer::send(cut.answer), FaultServer::close()};
        }, {});
        const auto item = makeItemOn(*server);
        ASSERT_EQ(runToEnd(*item), TransferringFailed);
        EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), kCutText);
    }
}

// The stub is rewritten only every 50 MiB while bytes come, so only the
// rewrite on the way out can keep what the broken attempt wrote.
TEST_F(TransferTest, FailedAttemptLeavesItsProgressInTheStub)
{
    set(&CAppSettingsBase::MaxAttempts, 1);
    // Sections are told apart by their last byte: one that starts after the first
    // has finished also asks for the bytes before its own.
    const auto server = serve([this](const Request&, qsizetype first, qsizetype last) {
        if (last < kHalf)
            return part(first, last);
        return Script{FaultServer::send(partialHeaders(first, last, kSize) + m_body.mid(first, kHalf + 1000 - first)),
                      FaultServer::wait(300), FaultServer::reset()};
    });
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), TransferringFailed);
    EXPECT_TRUE(download.m_pError->GetText().startsWith(LoadResString(TextId::ReceiveFailed)));
    const QByteArray partial = readFile(download.GetLocalFileName());
    DownloadStub stub;
    ASSERT_TRUE(stub.Decode(partial.sliced(kSize)));
    EXPECT_EQ(stub.m_sections[0].m_nRangeStart, uint64_t(kHalf));
    EXPECT_EQ(stub.m_sections[1].m_nRangeStart, uint64_t(kHalf + 1000));
    EXPECT_TRUE(partial.first(kHalf + 1000) == m_body.first(kHalf + 1000));
}

// A write that fails (here past the largest file size allowed) ends the section
// with the system's reason and no further attempt. What could not be written is
// not counted: the progress covers only bytes that are on disk.
TEST_F(TransferTest, AFailedWriteEndsTheSectionWithTheSystemsReason)
{
    constexpr qsizetype kMiB = 1024 * 1024;
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    m_body = pattern(3 * kMiB);
    const auto server = serve([this](const Request&, qsizetype, qsizetype) { return FaultServer::answer(200, {}, m_body); },
                              {});
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    // Not on a boundary of the writes, so that one write is cut short first.
    limited.rlim_cur = kMiB + 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int32_t state = runToEnd(*item);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(state, TransferringFailed);
    EXPECT_EQ(download.m_pError->GetErrorId(), uint32_t(EFBIG));
    EXPECT_EQ(download.m_pError->GetText(),
              LoadResString(TextId::WriteFailed) + u' ' + GetSystemErrorText(EFBIG) + u" (%1)"_qs.arg(EFBIG));
    EXPECT_EQ(server->requests().size(), 2u);
    const QByteArray onDisk = readFile(download.GetLocalFileName());
    const qsizetype downloaded = qsizetype(download.GetDownloadedSize());
    EXPECT_GT(downloaded, 0);
    EXPECT_LE(downloaded, onDisk.size());
    EXPECT_TRUE(onDisk.first(downloaded) == m_body.first(downloaded));
}

// The stub cannot be written (here past the largest file size allowed, which
// the data below it stays within): the attempt fails with the system's reason,
// and the size recorded as in the stub stays that of the last stub on disk.
TEST_F(TransferTest, AFailedStubWriteFailsTheAttemptAndKeepsTheOldSize)
{
    constexpr qsizetype kMiB = 1024 * 1024;
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    set(&CAppSettingsBase::MaxAttempts, 1);
    m_body = pattern(3 * kMiB);
    std::atomic<bool> limited{false};
    const auto server = serve([&](const Request& request, qsizetype, qsizetype) {
        // Allocating writes the first stub; the limit comes after it.
        waitFor([&] { return limited.load(); });
        return rangedAnswer(request, m_body);
    });
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;
    sink().clear(&download);
    download.Start(false);
    ASSERT_TRUE(waitFor([&] { return !sink().statesOf(item->m_nId).empty(); }));
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit stubOutOfReach = previous;
    stubOutOfReach.rlim_cur = rlim_t(m_body.size());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &stubOutOfReach), 0);
    limited = true;
    const int32_t state = sink().waitForFinal(item->m_nId, kRunWaitMs);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(state, TransferringFailed);
    EXPECT_EQ(download.m_pError->GetText(),
              LoadResString(TextId::WriteFailed) + u' ' + GetSystemErrorText(EFBIG) + u" (%1)"_qs.arg(EFBIG));
    EXPECT_EQ(download.GetDownloadedSize(), uint64_t(m_body.size()));
    EXPECT_EQ(download.m_nLastStubWrittenSize, 0u);
    const QByteArray partial = readFile(download.GetLocalFileName());
    DownloadStub stub;
    ASSERT_TRUE(stub.Decode(partial.sliced(m_body.size())));
    EXPECT_EQ(stub.m_sections[0].m_nRangeStart, 0u);
}

struct SpeedCase
{
    int32_t mode;
    int32_t high;
    int32_t medium;
    int32_t low;
    bool waits;
};

// A 64-byte file takes two reads, the final empty one included; each is
// followed by the delay of the chosen speed.
TEST_F(TransferTest, SpeedLimitWaitsAfterEveryRead)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    m_body = pattern(64);
    const SpeedCase cases[] = {
        {SpeedHigh, 500, 0, 0, true},
        {SpeedMedium, 0, 500, 0, true},
        {SpeedLow, 0, 0, 500, true},
        {SpeedUnlimited, 500, 500, 500, false},
    };
    for (const SpeedCase& speed : cases) {
        SCOPED_TRACE(speed.mode);
        set(&CAppSettingsBase::DownloadSpeed, speed.mode);
        set(&CAppSettingsBase::HighSpeedDelay, speed.high);
        set(&CAppSettingsBase::MediumSpeedDelay, speed.medium);
        set(&CAppSettingsBase::LowSpeedDelay, speed.low);
        m_prepared = false;
        const auto server = serve([this](const Request& request, qsizetype, qsizetype) {
            return rangedAnswer(request, m_body);
        });
        const auto item = makeItemOn(*server);
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(runToEnd(*item), Completed);
        const auto took = std::chrono::steady_clock::now() - started;
        if (speed.waits)
            EXPECT_GE(took, std::chrono::milliseconds(1000));
        else
            EXPECT_LT(took, std::chrono::milliseconds(1000));
    }
}

// The clock stands still unless the test moves it: the buffer doubles once at
// each step of a whole second, whatever the real time, up to the largest size.
TEST_F(TransferTest, ReadBufferDoublesOncePerSecondOfTheMonotonicClock)
{
    static std::atomic<int64_t> now{5'000'000'000'000};
    static std::atomic<int> clockReads{0};
    CSteadyClock::SetSourceForTest([] {
        ++clockReads;
        return now.load();
    });
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    constexpr qsizetype kPiece = 16 * 1024;
    m_body = pattern(256 * kPiece);
    const auto server = serve([this](const Request&, qsizetype first, qsizetype last) {
        Script script{FaultServer::send(partialHeaders(first, last, m_body.size()))};
        for (qsizetype at = first; at <= last; at += kPiece)
            script << FaultServer::wait(30) << FaultServer::send(m_body.mid(at, kPiece));
        return script;
    });
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;
    const auto section = [&download]() -> const CSection* {
        const auto lock = download.LockSections();
        return download.m_sections.empty() ? nullptr : download.m_sections[0].get();
    };
    const auto bufferIs = [&](uint32_t size) {
        return waitFor([&] { return section() && section()->m_nTransferSize == size; }, 5000);
    };
    // The section reads the clock after every read that waited for the network.
    const auto moreReads = [] {
        const int from = clockReads;
        return waitFor([from] { return clockReads >= from + 3; }, 5000);
    };
    sink().clear();
    download.Start(false);

    ASSERT_TRUE(bufferIs(64));
    ASSERT_TRUE(waitFor([&] { return download.GetDownloadedSize() > 4096; }));
    // More than a second of real time, the very thing that must not count.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(section()->m_nTransferSize, 64u);
    EXPECT_EQ(section()->m_nTransferRate, 0u);
    for (uint32_t expected : {128u, 256u, 512u, 1024u, 2048u, 4096u, 4096u}) {
        now += 1'000'000'000;
        ASSERT_TRUE(bufferIs(expected)) << expected;
        EXPECT_GT(section()->m_nTransferRate, 0u);
        ASSERT_TRUE(moreReads());
        EXPECT_EQ(section()->m_nTransferSize, expected);
    }
    download.RequestPause();
    EXPECT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);
}

TEST(ContentRangeTest, OnlyAPlainByteRangeGivesItsFirstByteAndTotal)
{
    constexpr uint64_t kUnknown = ~uint64_t(0);
    struct Case
    {
        const char* text;
        bool valid;
        uint64_t first;
        uint64_t total;
    };
    const Case cases[] = {
        {"bytes 100-199/1000", true, 100, 1000},
        {"BYTES 0-0/1", true, 0, 1},
        {"bytes 5-9/*", true, 5, kUnknown},
        {" bytes 7-8/9 ", true, 7, 9},
        {"bytes */1000", false, 0, 0},
        {"bytes 9-5/10", false, 0, 0},
        {"bytes 0-9/9", false, 0, 0},
        {"bytes -1-9/10", false, 0, 0},
        {"bytes 0-9", false, 0, 0},
        {"items 0-9/10", false, 0, 0},
        {"bytes 1x-9/10", false, 0, 0},
        {"bytes 0-9/1x", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        ContentRange range{12345, 6789};
        EXPECT_EQ(ParseContentRange(QString::fromLatin1(c.text), range), c.valid) << c.text;
        EXPECT_EQ(range.first, c.valid ? c.first : 12345u) << c.text;
        EXPECT_EQ(range.total.value_or(kUnknown), c.valid ? c.total : 6789u) << c.text;
    }
}
