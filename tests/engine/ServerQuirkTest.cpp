// Servers that bend HTTP: parts that end early without an error, whole files in
// answer to ranges, parts labelled as HTML pages. None may end a download wrong.
#include "TransferFixture.h"
#include "engine/DownloadStub.h"
#include "support/BusyboxHttpd.h"

#include <span>

using namespace transfer;

namespace {

const QByteArray kETag = "ETag: \"v1\"\r\n";

} // namespace

using ServerQuirkTest = TransferTest;

// Cut short, the part is a broken connection: the attempt fails with that
// reason and the next asks for the rest; without an attempt left the run fails,
// never Paused as if a pause had been asked.
TEST_F(ServerQuirkTest, PartEndingEarlyIsABrokenConnection)
{
    struct ShortCase
    {
        const char* name;
        std::function<QByteArray(qsizetype first, qsizetype last)> answer;
    };
    const ShortCase cases[] = {
        {"no length, connection closed",
         [&](qsizetype first, qsizetype last) {
             QByteArray header = partialHeaders(first, last, m_body.size());
             header.replace("Content-Length: " + QByteArray::number(last - first + 1), "Connection: close");
             return header + m_body.mid(first, (last - first + 1) / 2);
         }},
        {"last chunk too early",
         [&](qsizetype first, qsizetype last) {
             QByteArray header = partialHeaders(first, last, m_body.size());
             header.replace("Content-Length: " + QByteArray::number(last - first + 1) + "\r\n", kChunkedHeader);
             return header + Chunked(m_body.mid(first, (last - first + 1) / 2)) + kLastChunk;
         }},
    };
    for (const ShortCase& cut : cases) {
        for (const int32_t attempts : {1, 3}) {
            SCOPED_TRACE(testing::Message() << cut.name << ", attempts " << attempts);
            set(&CAppSettingsBase::MaxAttempts, attempts);
            m_prepared = false;
            std::atomic<int> sectionOneAsked{0};
            const auto server = serve([&](const Request&, qsizetype first, qsizetype last) {
                // Section 0 comes late, so that section 1's first request asks for nothing before it.
                if (last != kSize - 1)
                    return Script{FaultServer::wait(100)} + part(first, last);
                if (sectionOneAsked++ == 0)
                    return Script{FaultServer::send(cut.answer(first, last)), FaultServer::close()};
                return part(first, last);
            });
            const auto item = makeItemOn(*server);
            CHttpDownloader& download = *item->m_pDownloader;

            if (attempts == 1) {
                ASSERT_EQ(runToEnd(*item), TransferringFailed);
                EXPECT_EQ(download.m_pError->GetText(), kCutText);
                EXPECT_EQ(download.m_sections[1]->m_nRangeStart, uint64_t(kHalf + kHalf / 2));
            } else {
                ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
                EXPECT_EQ(sectionOneAsked, 2);
                EXPECT_TRUE(readFile(download.GetLocalFileName()) == m_body);
            }
        }
    }
}

// Every request gets the whole file with the validator of the version the
// download holds: one section takes it over the four in the same run, and the
// others leave it without an error.
TEST_F(ServerQuirkTest, ServerThatIgnoresRangesIsReadOverOneConnection)
{
    constexpr qsizetype kShare = 64 * 1024;
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 4);
    set(&CAppSettingsBase::MinSectionSize, int32_t(kShare));
    m_body = pattern(4 * kShare);
    const auto server = serve([&](const Request&, qsizetype, qsizetype) {
        return FaultServer::answer(200, kResumable + kETag, m_body);
    }, kResumable + kETag);
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == m_body);
    // No section asks twice; those that start after the body is in ask nothing.
    EXPECT_LE(server->requests().size(), 5);
    EXPECT_EQ(download.m_pError->m_nErrorCounter, 0);
}

// The whole file comes slowly and the download is paused part-way: the stub
// claims only bytes that are on disk, in whichever section they lie, and the
// next run finishes the file from the server that still ignores ranges.
TEST_F(ServerQuirkTest, WholeFilePausedPartWayKeepsATrueStub)
{
    constexpr qsizetype kShare = 256 * 1024;
    constexpr qsizetype kPiece = 16 * 1024;
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 4);
    set(&CAppSettingsBase::MinSectionSize, int32_t(kShare));
    m_body = pattern(4 * kShare);
    const auto server = serve([&](const Request&, qsizetype, qsizetype) {
        Script script{FaultServer::send("HTTP/1.1 200 OK\r\n" + kResumable + "Content-Length: "
                                        + QByteArray::number(m_body.size()) + "\r\n\r\n")};
        for (qsizetype at = 0; at < m_body.size(); at += kPiece)
            script << FaultServer::wait(10) << FaultServer::send(m_body.mid(at, kPiece));
        return script;
    });
    const auto item = makeItemOn(*server);
    CHttpDownloader& download = *item->m_pDownloader;
    download.Start(false);
    ASSERT_TRUE(waitFor([&] { return download.GetDownloadedSize() > uint64_t(kShare + kPiece); }));
    download.RequestPause();
    ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);

    const QByteArray partial = readFile(download.GetLocalFileName());
    DownloadStub stub;
    ASSERT_TRUE(stub.Decode(partial.sliced(m_body.size())));
    uint64_t recorded = 0;
    for (const DownloadStubSection& section : std::span(stub.m_sections.data(), stub.m_nSectionCount)) {
        const qsizetype from = qsizetype(section.m_nRangeStartInitial);
        const qsizetype done = qsizetype(section.m_nRangeStart) - from;
        EXPECT_TRUE(partial.sliced(from, done) == m_body.sliced(from, done));
        recorded += uint64_t(done);
    }
    EXPECT_GT(recorded, uint64_t(kShare));
    EXPECT_EQ(recorded, download.GetDownloadedSize());

    ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
    EXPECT_TRUE(readFile(download.GetLocalFileName()) == m_body);
}

// busybox httpd labels every part text/html; with the factory setting that
// stops at HTML pages, its files still download, split or in one piece.
class BusyboxHttpdTest : public RunFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_httpd = new BusyboxHttpd;
        s_started = s_httpd->start();
    }
    static void TearDownTestSuite()
    {
        delete s_httpd;
        s_httpd = nullptr;
    }
    void SetUp() override
    {
        RunFixture::SetUp();
        if (!s_started)
            GTEST_SKIP() << s_httpd->errorText().toStdString();
    }

    static inline BusyboxHttpd* s_httpd = nullptr;
    static inline bool s_started = false;
};

TEST_F(BusyboxHttpdTest, PartsLabelledHtmlAreTheFile)
{
    set(&CAppSettingsBase::StopIfHtmlContentReturned, 1);
    set(&CAppSettingsBase::MinSectionSize, 256 * 1024);
    for (const qsizetype size : {qsizetype(1), qsizetype(3 * 1024 * 1024)}) {
        SCOPED_TRACE(size);
        const QString name = u"file%1.bin"_qs.arg(size);
        const QByteArray body = pattern(size);
        s_httpd->putFile(name, body);
        const auto item = makeItem(s_httpd->url(u'/' + name));
        ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
        EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == body);
    }
}
