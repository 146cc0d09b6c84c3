#include "FileFixture.h"

#include "engine/DownloadStub.h"
#include "engine/HttpDownloaderException.h"
#include "platform/FileException.h"

#include <future>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kUrlAt = 6;
constexpr qsizetype kSizeAt = 4176;
constexpr qsizetype kCountAt = 4184;
// Fields of record i.
constexpr qsizetype ReachedZeroAt(int i) { return 4188 + 28 * i; }
constexpr qsizetype InitialAt(int i) { return ReachedZeroAt(i) + 4; }
constexpr qsizetype StartAt(int i) { return ReachedZeroAt(i) + 12; }
constexpr qsizetype EndAt(int i) { return ReachedZeroAt(i) + 20; }

// The stub of an empty file: one record, all offsets 0.
QByteArray EmptyFileStub()
{
    QByteArray stub = Patched<uint64_t>(WorkedExampleStub(), kSizeAt, 0);
    stub = Patched<uint32_t>(stub, kCountAt, 1);
    stub = Patched<uint64_t>(stub, EndAt(0), 0);
    return stub.left(ReachedZeroAt(1)) + QByteArray(4412 - ReachedZeroAt(1), '\0');
}

} // namespace

TEST(DownloadStub, EncodesAndDecodesTheLayout)
{
    EXPECT_EQ(WorkedExample().Encode(), WorkedExampleStub());

    DownloadStub stub;
    ASSERT_TRUE(stub.Decode(WorkedExampleStub()));
    EXPECT_EQ(stub.m_strUrl, kStubUrl);
    EXPECT_EQ(stub.m_nFileSize, 1000u);
    ASSERT_EQ(stub.m_nSectionCount, 2u);
    EXPECT_EQ(stub.m_sections[0], (DownloadStubSection{0, 0, 0, 499}));
    EXPECT_EQ(stub.m_sections[1], (DownloadStubSection{0, 500, 500, 999}));

    // Records past the count are written as zeros whatever they hold.
    DownloadStub extra = WorkedExample();
    extra.m_sections[2] = {1, 7, 8, 9};
    EXPECT_EQ(extra.Encode(), WorkedExampleStub());
}

TEST(DownloadStub, UrlField)
{
    const QString longest(DownloadStub::kMaxUrlLength, u'u');
    for (const QString& url : {longest, longest + u'u'}) {
        SCOPED_TRACE(url.size());
        DownloadStub stub = WorkedExample();
        stub.m_strUrl = url;
        const QByteArray bytes = stub.Encode();
        ASSERT_EQ(bytes.size(), 4412);
        // A URL that does not fit is left out whole, never cut.
        const bool fits = url.size() <= DownloadStub::kMaxUrlLength;
        EXPECT_EQ(bytes.at(kUrlAt), fits ? 'u' : '\0');
        EXPECT_EQ(bytes.mid(kUrlAt + 2 * longest.size(), 2), QByteArray(2, '\0'));
        DownloadStub decoded;
        ASSERT_TRUE(decoded.Decode(bytes));
        EXPECT_EQ(decoded.m_strUrl, fits ? url : QString());
    }
}

TEST(DownloadStub, RefusesInvalidStubs)
{
    const QByteArray good = WorkedExampleStub();
    QByteArray noNul = good;
    for (qsizetype i = kUrlAt; i < kSizeAt; i += 2)
        noNul[i] = 'u';
    struct Case
    {
        const char* name;
        QByteArray bytes;
        bool valid;
    };
    const Case cases[] = {
        {"short", good.chopped(1), false},
        {"magic", Patched<uint8_t>(good, 2, 'E'), false},
        {"version 1", Patched<uint16_t>(good, 4, 1), false},
        {"version 3", Patched<uint16_t>(good, 4, 3), false},
        {"count 0", Patched<uint32_t>(good, kCountAt, 0), false},
        {"count 9", Patched<uint32_t>(good, kCountAt, 9), false},
        {"count negative", Patched<uint32_t>(good, kCountAt, 0xFFFFFFFF), false},
        {"URL without NUL", noNul, false},
        {"start before initial", Patched<uint64_t>(good, StartAt(1), 499), false},
        {"start past end + 1", Patched<uint64_t>(good, StartAt(0), 501), false},
        {"end past the size", Patched<uint64_t>(good, EndAt(1), 1000), false},
        {"first not at 0", Patched<uint64_t>(Patched<uint64_t>(good, InitialAt(0), 1), StartAt(0), 1), false},
        {"gap", Patched<uint64_t>(Patched<uint64_t>(good, InitialAt(1), 501), StartAt(1), 501), false},
        {"overlap", Patched<uint64_t>(good, InitialAt(1), 499), false},
        {"last short of the size", Patched<uint64_t>(good, EndAt(1), 998), false},
        {"size 0, two records", Patched<uint64_t>(good, kSizeAt, 0), false},
        {"size 0, offset not 0", Patched<uint64_t>(EmptyFileStub(), StartAt(0), 1), false},
        {"section complete", Patched<uint32_t>(Patched<uint64_t>(good, StartAt(1), 1000), ReachedZeroAt(1), 1),
         true},
        {"size 0", EmptyFileStub(), true},
        {"size 0, body ended", Patched<uint32_t>(EmptyFileStub(), ReachedZeroAt(0), 1), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadStub stub;
        stub.m_nFileSize = 77;
        EXPECT_EQ(stub.Decode(c.bytes), c.valid);
        if (!c.valid) {
            EXPECT_EQ(stub.m_nFileSize, 77u);
        }
    }
}

class ReadDownloadStubTest : public FileFixture
{
protected:
    // Throws as ReadDownloadStub does.
    DownloadStub Read(const QString& relative) const
    {
        DownloadStub stub;
        ReadDownloadStub(path(relative), stub);
        return stub;
    }
};

TEST_F(ReadDownloadStubTest, ReadsTheStubBehindTheData)
{
    ASSERT_TRUE(WritePartialFile(path("dl/f.bin.vrldownload"), 1000, WorkedExampleStub()));
    const DownloadStub stub = Read("dl/f.bin.vrldownload");
    EXPECT_EQ(stub.m_strUrl, kStubUrl);
    EXPECT_EQ(stub.m_sections[1], (DownloadStubSection{0, 500, 500, 999}));

    ASSERT_TRUE(WriteAll(path("dl/empty.vrldownload"), EmptyFileStub()));
    EXPECT_EQ(Read("dl/empty.vrldownload").m_nSectionCount, 1u);
}

TEST_F(ReadDownloadStubTest, RefusesFilesThatDoNotMatchTheirStub)
{
    struct Case
    {
        const char* name;
        QByteArray content;
    };
    const Case cases[] = {
        {"4411 bytes", QByteArray(4411, '\0')},
        {"empty", QByteArray()},
        {"one byte longer", QByteArray(1001, 'd') + WorkedExampleStub()},
        {"one byte shorter", QByteArray(999, 'd') + WorkedExampleStub()},
        {"version 1", QByteArray(1000, 'd') + Patched<uint16_t>(WorkedExampleStub(), 4, 1)},
        {"count 9", QByteArray(1000, 'd') + Patched<uint32_t>(WorkedExampleStub(), kCountAt, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAll(path("dl/x.vrldownload"), c.content));
        EXPECT_THROW(Read("dl/x.vrldownload"), CHttpDownloaderException);
    }
    ASSERT_TRUE(QDir(m_root.path()).mkpath("dl/folder.vrldownload"));
    EXPECT_THROW(Read("dl/folder.vrldownload"), CHttpDownloaderException);
}

TEST_F(ReadDownloadStubTest, FileErrorsCarryTheSystemError)
{
    ASSERT_TRUE(WritePartialFile(path("other/f.vrldownload"), 1000, WorkedExampleStub()));
    ASSERT_TRUE(QFile::link(path("other/f.vrldownload"), path("dl/link.vrldownload")));
    struct Case
    {
        const char* file;
        int error;
    };
    for (const Case& c : {Case{"dl/missing.vrldownload", ENOENT}, Case{"dl/link.vrldownload", ELOOP}}) {
        SCOPED_TRACE(c.file);
        try {
            Read(c.file);
            ADD_FAILURE() << "no exception";
        } catch (const CFileException& error) {
            EXPECT_EQ(error.m_lOsError, c.error);
            EXPECT_TRUE(error.GetErrorMessage().startsWith(path(c.file) + ": "));
        }
    }
}

// A damaged list may name a FIFO; reading it must neither block nor succeed.
TEST_F(ReadDownloadStubTest, DoesNotWaitOnAFifo)
{
    const QByteArray fifo = QFile::encodeName(path("dl/fifo.vrldownload"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] {
        try {
            Read("dl/fifo.vrldownload");
        } catch (const CHttpDownloaderException&) {
            return true;
        }
        return false;
    });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked on the FIFO";
        // Opening the other end lets the blocked reader go.
        close(open(fifo.constData(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_TRUE(reading.get());
}
