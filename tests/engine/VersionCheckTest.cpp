// A download must never finish from two versions of the server's file: every
// ranged request names the version the download holds (If-Range), every answer's
// validators are compared with it, and every resume asks again for bytes already
// on disk and compares them.
#include "TransferFixture.h"
#include "engine/DownloadStub.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTimeZone>

using namespace transfer;

namespace {

const QByteArray kDate = "Tue, 15 Nov 1994 08:12:31 GMT";
const QByteArray kETag = "ETag: \"v1\"\r\n";
const QByteArray kOtherETag = "ETag: \"v2\"\r\n";
const QByteArray kModified = "Last-Modified: " + kDate + "\r\n";

} // namespace

using VersionCheckTest = TransferTest;

// The answers carry the validators of the preparing answer, so every request
// gets its part and the download completes.
TEST_F(VersionCheckTest, IfRangeCarriesTheStrongETagElseTheServersDate)
{
    struct Case
    {
        const char* name;
        QByteArray validators;
        QByteArray ifRange; // empty: none sent
    };
    const Case cases[] = {
        {"strong ETag", kETag + kModified, "\"v1\""},
        {"weak ETag", "ETag: W/\"v1\"\r\n" + kModified, kDate},
        {"date alone", kModified, kDate},
        {"neither", {}, {}},
    };
    for (const Case& validators : cases) {
        SCOPED_TRACE(validators.name);
        m_prepared = false;
        const auto server = serve([&](const Request& request, qsizetype, qsizetype) {
            return rangedAnswer(request, m_body, validators.validators);
        }, kResumable + validators.validators);
        const auto item = makeItemOn(*server);

        ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
        EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
        const QList<Request> requests = server->requests();
        ASSERT_EQ(requests.size(), 3);
        for (const Request& request : requests.sliced(1)) {
            EXPECT_EQ(request.hasHeader("If-Range"), !validators.ifRange.isEmpty());
            EXPECT_EQ(request.header("If-Range"), validators.ifRange);
        }
    }
}

// Section 1 gets an answer of another version of the same size; section 0 its
// own part. The download fails as changed and section 1 writes nothing.
TEST_F(VersionCheckTest, AnswerOfAnotherVersionStopsTheDownload)
{
    struct Case
    {
        const char* name;
        QByteArray validators; // of the preparing answer and of section 0's
        std::function<Script(const TransferTest&, qsizetype, qsizetype)> answer;
    };
    const Case cases[] = {
        {"part with another ETag, same time", kETag + kModified,
         [](const TransferTest& test, qsizetype first, qsizetype last) {
             return test.part(first, last, kOtherETag + kModified);
         }},
        {"whole file with another ETag", kETag,
         [](const TransferTest& test, qsizetype, qsizetype) {
             return FaultServer::answer(200, kResumable + kOtherETag, test.m_body);
         }},
        {"whole file without the ETag asked for", kETag,
         [](const TransferTest& test, qsizetype, qsizetype) {
             return FaultServer::answer(200, kResumable, test.m_body);
         }},
        {"whole file without the date asked for", kModified,
         [](const TransferTest& test, qsizetype, qsizetype) {
             return FaultServer::answer(200, kResumable, test.m_body);
         }},
    };
    for (const Case& answer : cases) {
        SCOPED_TRACE(answer.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype first, qsizetype last) {
            return last == kHalf - 1 ? part(first, last, answer.validators) : answer.answer(*this, first, last);
        }, kResumable + answer.validators);
        const auto item = makeItemOn(*server);
        CHttpDownloader& download = *item->m_pDownloader;

        ASSERT_EQ(runToEnd(*item), TransferringFailed);
        EXPECT_EQ(download.m_pError->GetText(), kChangedText);
        EXPECT_EQ(download.m_sections[1]->m_nRangeStart, uint64_t(kHalf));
    }
}

struct OverlapCase
{
    const char* name;
    qsizetype firstAttempt; // bytes section 1's first attempt brings before it breaks
    bool changed;           // the second attempt's answer differs at its first byte
    qsizetype askedFrom;    // by the second attempt
};

// Two sections of 128 KiB; section 0 completes at once, section 1's first
// attempt breaks. The second asks again for up to 64 KiB before where section 1
// stands: of its own bytes, or of section 0's when it has none.
TEST_F(VersionCheckTest, ResumeComparesTheBytesBeforeItWithThePartialFile)
{
    constexpr qsizetype kShare = 128 * 1024;
    constexpr qsizetype kOverlap = 64 * 1024;
    constexpr qsizetype kBrought = 100 * 1024;
    set(&CAppSettingsBase::MinSectionSize, int32_t(kShare));
    m_body = pattern(2 * kShare);
    const OverlapCase cases[] = {
        {"own bytes", kBrought, false, kShare + kBrought - kOverlap},
        {"own bytes changed", kBrought, true, kShare + kBrought - kOverlap},
        {"section 0's bytes", 0, false, kShare - kOverlap},
        {"section 0's bytes changed", 0, true, kShare - kOverlap},
    };
    for (const OverlapCase& overlap : cases) {
        SCOPED_TRACE(overlap.name);
        m_prepared = false;
        const auto server = serve([&](const Request&, qsizetype first, qsizetype last) {
            if (first == 0)
                return Script{FaultServer::wait(100)} + part(first, last);
            if (first == kShare)
                return Script{FaultServer::send(partialHeaders(first, last, m_body.size())
                                                + m_body.mid(first, overlap.firstAttempt)),
                              FaultServer::wait(300), FaultServer::reset()};
            Script answer = part(first, last);
            if (overlap.changed) {
                QByteArray& bytes = answer.first().bytes;
                bytes[bytes.indexOf("\r\n\r\n") + 4] ^= 1;
            }
            return answer;
        });
        const auto item = makeItemOn(*server);
        CHttpDownloader& download = *item->m_pDownloader;

        const int32_t state = runToEnd(*item);
        EXPECT_EQ(server->requests().last().header("Range"),
                  "bytes=" + QByteArray::number(overlap.askedFrom) + '-' + QByteArray::number(2 * kShare - 1));
        if (overlap.changed) {
            EXPECT_EQ(state, TransferringFailed);
            EXPECT_EQ(download.m_pError->GetText(), kChangedText);
            EXPECT_EQ(download.m_sections[1]->m_nRangeStart, uint64_t(kShare + overlap.firstAttempt));
        } else {
            ASSERT_EQ(state, Completed) << download.m_pError->GetText().toStdString();
            EXPECT_TRUE(readFile(download.GetLocalFileName()) == m_body);
        }
    }
}

// A partial file alone knows no validator of the server's. Its first part
// dated after the partial file was last written comes from a changed file,
// unless bytes on disk could be compared and were the same.
TEST_F(VersionCheckTest, PartialFileAloneTrustsALaterTimeOnlyWhenItsBytesCompare)
{
    set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    const QDateTime written(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    struct Case
    {
        const char* name;
        qsizetype onDisk;
        int serverLater; // seconds
        int32_t state;
    };
    const Case cases[] = {
        {"later, bytes compared", 1000, 3600, Completed},
        {"later, nothing to compare", 0, 3600, TransferringFailed},
        {"earlier, nothing to compare", 0, -3600, Completed},
    };
    for (const Case& partial : cases) {
        SCOPED_TRACE(partial.name);
        const QByteArray modified = "Last-Modified: "
            + QLocale::c().toString(written.addSecs(partial.serverLater), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'").toLatin1()
            + "\r\n";
        FaultServer server([&](const Request& request) { return rangedAnswer(request, m_body, modified); });
        DownloadStub stub;
        stub.m_strUrl = server.url(u"/file.bin"_qs);
        stub.m_nFileSize = kSize;
        stub.m_nSectionCount = 1;
        stub.m_sections[0] = {0, 0, uint64_t(partial.onDisk), kSize - 1};
        const QString path = folder() + u"/file.bin.vrldownload"_qs;
        QDir().mkpath(folder());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(m_body.first(partial.onDisk) + QByteArray(kSize - partial.onDisk, '\0') + stub.Encode());
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        ItemPtr item(new CDownloadItem);
        item->m_pDownloader = new CHttpDownloader(path, item.get());

        ASSERT_EQ(runToEnd(*item), partial.state) << item->m_pDownloader->m_pError->GetText().toStdString();
        if (partial.state == Completed)
            EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == m_body);
        else
            EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), kChangedText);
        QFile::remove(item->m_pDownloader->GetLocalFileName());
    }
}
