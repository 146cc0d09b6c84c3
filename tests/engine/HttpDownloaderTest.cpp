#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "engine/InvalidArgException.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>
#include <thread>

namespace {

constexpr char16_t kUrl[] = u"http://127.0.0.1:8080/a.bin";

struct SectionSpec
{
    uint64_t initial;
    uint64_t start;
    bool working;
    uint32_t rate;
    uint32_t transferSize = 0;
};

void AddSection(CHttpDownloader& download, const SectionSpec& spec)
{
    auto section = std::make_unique<CSection>();
    section->m_pDownloader = &download;
    section->m_nIndex = int32_t(download.m_sections.size());
    section->m_nRangeStartInitial = spec.initial;
    section->m_nRangeStart = spec.start;
    section->m_bIsWorking = spec.working;
    section->m_nTransferRate = spec.rate;
    section->m_nTransferSize = spec.transferSize;
    download.AppendSection(std::move(section));
}

bool WriteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("partial") == 7;
}

// An item that owns its download, as the list's rows do.
struct Row
{
    explicit Row(QStringView folder) { item.m_pDownloader = new CHttpDownloader(kUrl, folder, &item); }
    CHttpDownloader& download() { return *item.m_pDownloader; }
    CDownloadItem item;
};

} // namespace

TEST(HttpDownloader, FolderNeedsTwoUnitsAndNoTrailingSlash)
{
    CDownloadItem item;
    for (const char16_t* folder : {u"", u"/", u"a", u"/tmp/dl/", u"//"}) {
        SCOPED_TRACE(QString::fromUtf16(folder).toStdString());
        EXPECT_THROW(CHttpDownloader(kUrl, folder, &item), CInvalidArgException);
        EXPECT_EQ(item.m_pDownloader, nullptr);
    }
    // A backslash is an ordinary character here; a folder carried over from
    // another system is refused only when a file is to be made in it.
    for (const char16_t* folder : {u"/a", u"/tmp/dl", u"D:\\Dl\\"})
        EXPECT_NO_THROW(CHttpDownloader(kUrl, folder, &item));
}

TEST(HttpDownloader, StartsNewAndClear)
{
    CDownloadItem item;
    const CHttpDownloader download(kUrl, u"/a", &item);
    EXPECT_EQ(download.m_strUrl, QString::fromUtf16(kUrl));
    EXPECT_EQ(download.m_strDownloadLocation, "/a");
    EXPECT_EQ(download.m_pItem, &item);
    EXPECT_EQ(int(download.m_nState), NeedToPrepare);
    EXPECT_EQ(download.m_nAccessType, Preconfig);
    EXPECT_TRUE(download.m_pError->GetText().isEmpty());
    EXPECT_EQ(download.m_pError->m_nErrorCounter, 0);
    EXPECT_FALSE(download.m_pTerminateEvent->isSet());
    EXPECT_TRUE(download.m_sections.empty());
    EXPECT_EQ(download.GetLastModified(), SYSTEMTIME{});
    const QDateTime added = DateTimeFromSystemTime(download.m_timeAdded, Qt::LocalTime);
    EXPECT_LE(std::abs(added.secsTo(QDateTime::currentDateTime())), 2);

    EXPECT_TRUE(CHttpDownloader(nullptr, u"/a", &item).m_strUrl.isEmpty());
}

TEST(HttpDownloader, DestructionClearsTheItemsPointer)
{
    auto* item = new CDownloadItem;
    item->m_pDownloader = new CHttpDownloader(kUrl, u"/a", item);
    delete item->m_pDownloader;
    EXPECT_EQ(item->m_pDownloader, nullptr);
    // The item owns its download and deletes it with itself, exactly once.
    item->m_pDownloader = new CHttpDownloader(kUrl, u"/a", item);
    AddSection(*item->m_pDownloader, {0, 10, true, 5});
    delete item;
}

TEST(HttpDownloader, RemainingTime)
{
    struct Case
    {
        const char* name;
        int32_t state;
        int32_t gotFileSize;
        uint64_t size;
        uint32_t rate0;
        uint32_t rate1;
        bool result;
        uint64_t remaining;
    };
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    constexpr uint64_t kUntouched = 0xDEADBEEF;
    constexpr uint32_t kMaxRate = std::numeric_limits<uint32_t>::max();
    const Case cases[] = {
        // 1000 bytes downloaded, 1000 left at 300 + 200 B/s.
        {"base", Transferring, 1, 2000, 300, 200, true, 20000000},
        {"rates still 0", Transferring, 1, 2000, 0, 0, false, kUntouched},
        {"paused", Paused, 1, 2000, 300, 200, false, kUntouched},
        {"size unknown", Transferring, 0, 2000, 300, 200, false, kUntouched},
        {"size 0", Transferring, 1, 0, 300, 200, false, kUntouched},
        {"remainder dropped", Transferring, 1, 2999, 300, 200, true, 30000000},
        {"read past the size", Transferring, 1, 900, 300, 200, true, 0},
        {"rates summed in 64 bits", Transferring, 1, 1000 + 10 * (2 * uint64_t(kMaxRate)), kMaxRate, kMaxRate,
         true, 100000000},
        {"saturates", Transferring, 1, kMax, 1, 0, true, kMax / 10000000 * 10000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDownloadItem item;
        CHttpDownloader download(kUrl, u"/a", &item);
        download.m_nState = c.state;
        download.m_bGotFileSize = c.gotFileSize;
        download.m_nFileSize = c.size;
        AddSection(download, {0, 600, true, c.rate0});
        AddSection(download, {1000, 1400, true, c.rate1});
        AddSection(download, {1500, 1500, false, 1000});
        uint64_t remaining = kUntouched;
        EXPECT_EQ(download.GetRemainingTime(&remaining), c.result);
        EXPECT_EQ(remaining, c.remaining);
    }
    CDownloadItem item;
    const CHttpDownloader download(kUrl, u"/a", &item);
    EXPECT_THROW(download.GetRemainingTime(nullptr), CInvalidArgException);
}

TEST(HttpDownloader, DownloadedAndTransferSizes)
{
    CDownloadItem item;
    CHttpDownloader download(kUrl, u"/a", &item);
    download.m_nState = Transferring;
    EXPECT_EQ(download.GetDownloadedSize(), 0u);
    EXPECT_EQ(download.GetTransferSize(), 0u);

    AddSection(download, {0, 500, true, 0, 64});
    AddSection(download, {1000, 1200, true, 0, 4096});
    AddSection(download, {2000, 2000, false, 0, 128});
    // A damaged stub's start before the section's first byte brings nothing in.
    AddSection(download, {3000, 2000, false, 0, 0});
    EXPECT_EQ(download.GetDownloadedSize(), 700u);
    EXPECT_EQ(download.GetTransferSize(), 4160u);
    download.m_nState = Paused;
    EXPECT_EQ(download.GetTransferSize(), 0u);
    EXPECT_EQ(download.GetDownloadedSize(), 700u);

    download.DeleteSections();
    EXPECT_TRUE(download.m_sections.empty());
    EXPECT_EQ(download.GetDownloadedSize(), 0u);
}

TEST(HttpDownloader, TransferRateSumsTheWorkingSectionsAndStopsAtItsLargestValue)
{
    constexpr uint32_t kMaxRate = std::numeric_limits<uint32_t>::max();
    CDownloadItem item;
    CHttpDownloader download(kUrl, u"/a", &item);
    AddSection(download, {0, 0, true, 300});
    AddSection(download, {1000, 1000, false, 1000});
    AddSection(download, {2000, 2000, true, 200});
    EXPECT_EQ(download.GetTransferRate(), 500u);
    AddSection(download, {3000, 3000, true, kMaxRate});
    EXPECT_EQ(download.GetTransferRate(), kMaxRate);
}

TEST(HttpDownloader, Predicates)
{
    for (int32_t state = -1; state <= kDownloadStateCount; ++state) {
        SCOPED_TRACE(state);
        const bool active = state == 1 || state == 4 || state == 7 || state == 10 || state == 12;
        const bool failed = state == 2 || state == 5 || state == 8 || state == 13;
        EXPECT_EQ(IsActiveState(state), active);
        EXPECT_EQ(IsFailedState(state), failed);
    }
    CDownloadItem item;
    CHttpDownloader download(kUrl, u"/a", &item);
    for (int ranges = 0; ranges < 2; ++ranges) {
        for (int size = 0; size < 2; ++size) {
            download.m_bAcceptRanges = ranges;
            download.m_bGotFileSize = size;
            EXPECT_EQ(download.IsResumable(), ranges && size);
        }
    }
}

TEST(HttpDownloader, SectionCompletion)
{
    CSection known;
    known.m_nRangeEnd = 99;
    known.m_nRangeStart = 99;
    EXPECT_FALSE(known.IsComplete());
    known.m_nRangeStart = 100;
    EXPECT_TRUE(known.IsComplete());

    CSection openEnded;
    openEnded.m_bIsUnknownLength = 1;
    openEnded.m_nRangeStart = 5000;
    EXPECT_FALSE(openEnded.IsComplete());
    openEnded.m_bIsReachedZero = 1;
    EXPECT_TRUE(openEnded.IsComplete());
}

class HttpDownloaderReset : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath("dl/sub"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("out/deep"));
        ASSERT_TRUE(QFile::link(path("out/deep"), path("dl/link")));
    }

    QString path(const QString& relative) const { return m_root.path() + "/" + relative; }

    // A download that was prepared and allocated its partial file.
    void Prepare(CHttpDownloader& download, const QString& localFile)
    {
        download.m_strDescription = "desc";
        download.m_nAccessType = Proxy;
        download.m_bUseAuthorization = 1;
        download.m_strUserName = "user";
        download.m_strPassword = "secret";
        download.m_strReferer = "http://ref/";
        download.m_nState = Paused;
        download.m_bGotFileSize = 1;
        download.m_nFileSize = 5000;
        download.m_bAcceptRanges = 1;
        download.m_nAllocated = 5000;
        download.m_nLastStubWrittenSize = 300;
        download.m_nDownloadStartingTime = 133000000000000000ULL;
        download.m_nWholeDownloadTime = 70000000;
        download.SetDownloadUrl("http://127.0.0.1:8080/b.bin");
        download.SetFileTitle("a.zip");
        download.SetLocalFileName(localFile);
        download.SetLastModified(SYSTEMTIME{2024, 3, 2, 5, 10, 20, 30, 40});
        download.m_pError->SetError(TextId::TransferFailed, u"x");
        download.m_pTerminateEvent->set();
        AddSection(download, {0, 300, false, 0});
        AddSection(download, {2500, 2500, false, 0});
    }

    QTemporaryDir m_root;
};

TEST_F(HttpDownloaderReset, DiscardsTheDownloadAndKeepsItsSettings)
{
    const QString partial = path("dl/a.zip.vrldownload");
    ASSERT_TRUE(WriteFile(partial));
    Row row(path("dl"));
    CHttpDownloader& download = row.download();
    Prepare(download, partial);
    const SYSTEMTIME added = download.m_timeAdded;

    download.Reset();

    EXPECT_FALSE(QFileInfo::exists(partial));
    EXPECT_EQ(int(download.m_nState), NeedToPrepare);
    EXPECT_EQ(download.m_nFileSize, 0u);
    EXPECT_EQ(int(download.m_bGotFileSize), 0);
    EXPECT_EQ(int(download.m_bAcceptRanges), 0);
    EXPECT_EQ(download.m_nDownloadStartingTime, 0u);
    EXPECT_EQ(download.m_nWholeDownloadTime, 0u);
    EXPECT_TRUE(download.GetFileTitle().isEmpty());
    EXPECT_TRUE(download.GetLocalFileName().isEmpty());
    EXPECT_TRUE(download.GetDownloadUrl().isEmpty());
    EXPECT_TRUE(download.m_pError->GetText().isEmpty());
    EXPECT_EQ(download.m_pError->m_nErrorCounter, 0);
    EXPECT_TRUE(download.m_sections.empty());
    EXPECT_EQ(download.m_hSession, nullptr);
    EXPECT_FALSE(download.m_pTerminateEvent->isSet());

    EXPECT_EQ(download.m_strUrl, QString::fromUtf16(kUrl));
    EXPECT_EQ(download.m_strDownloadLocation, path("dl"));
    EXPECT_EQ(download.m_strDescription, "desc");
    EXPECT_EQ(download.m_nAccessType, Proxy);
    EXPECT_EQ(download.m_bUseAuthorization, 1);
    EXPECT_EQ(download.m_strUserName, "user");
    EXPECT_EQ(download.m_strPassword, "secret");
    EXPECT_EQ(download.m_strReferer, "http://ref/");
    EXPECT_EQ(download.m_timeAdded, added);
    EXPECT_EQ(download.GetLastModified(), (SYSTEMTIME{2024, 3, 2, 5, 10, 20, 30, 40}));
    EXPECT_EQ(download.m_nAllocated, 5000u);
    EXPECT_EQ(download.m_nLastStubWrittenSize, 300u);
}

TEST_F(HttpDownloaderReset, ChangesNothingWhileRunning)
{
    const QString partial = path("dl/a.zip.vrldownload");
    ASSERT_TRUE(WriteFile(partial));
    Row row(path("dl"));
    CHttpDownloader& download = row.download();
    Prepare(download, partial);
    download.m_bIsRunning = 1;

    download.Reset();

    EXPECT_TRUE(QFileInfo::exists(partial));
    EXPECT_EQ(int(download.m_nState), Paused);
    EXPECT_EQ(download.m_nFileSize, 5000u);
    EXPECT_EQ(download.GetFileTitle(), "a.zip");
    EXPECT_EQ(download.GetLocalFileName(), partial);
    EXPECT_EQ(download.m_sections.size(), 2u);
    EXPECT_EQ(download.m_pError->m_nErrorCounter, 1);
    EXPECT_TRUE(download.m_pTerminateEvent->isSet());
    download.m_bIsRunning = 0;
}

// Only a file the download made itself, directly in its folder, is deleted:
// a damaged or crafted list file must not make Reset delete another file.
TEST_F(HttpDownloaderReset, DeletesOnlyTheDownloadsOwnFile)
{
    struct Case
    {
        const char* localFile; // the stored path, below the temporary root
        const char* victim;    // the file that path leads to
        bool deleted;
    };
    const Case cases[] = {
        {"dl/a.zip", "dl/a.zip", true},
        {"dl/a.zip.vrldownload", "dl/a.zip.vrldownload", true},
        {"dl/a.zip.(12).vrldownload", "dl/a.zip.(12).vrldownload", true},
        {"dl/a(2).zip", "dl/a(2).zip", true},
        {"dl//sub/../a.zip", "dl/a.zip", true},
        {"dl/other.txt", "dl/other.txt", false},
        {"out/a.zip", "out/a.zip", false},
        {"dl/sub/a.zip", "dl/sub/a.zip", false},
        {"dl/../a.zip", "a.zip", false},
        {"dl/A.ZIP", "dl/A.ZIP", false},
        {"dl/a(0).zip", "dl/a(0).zip", false},
        {"dl/a(02).zip", "dl/a(02).zip", false},
        {"dl/a().zip", "dl/a().zip", false},
        {"dl/a.zip(2)", "dl/a.zip(2)", false},
        {"dl/a.zip.(x).vrldownload", "dl/a.zip.(x).vrldownload", false},
        {"dl/a.zip.vrldownload.bak", "dl/a.zip.vrldownload.bak", false},
        // The kernel resolves "link/.." to the link target's parent; the check
        // and the deletion both use the cleaned path, so that file is safe.
        {"dl/link/../a.zip", "out/a.zip", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.localFile);
        ASSERT_TRUE(WriteFile(path(c.victim)));
        Row row(path("dl"));
        Prepare(row.download(), path(c.localFile));
        row.download().Reset();
        EXPECT_EQ(!QFileInfo::exists(path(c.victim)), c.deleted);
        QFile::remove(path(c.victim));
    }
}

TEST_F(HttpDownloaderReset, KeepsFilesOfARelativeFolder)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_root.path()));
    ASSERT_TRUE(WriteFile("dl/a.zip"));
    Row row(u"dl");
    Prepare(row.download(), "dl/a.zip");
    row.download().Reset();
    EXPECT_TRUE(QFileInfo::exists("dl/a.zip"));
    QDir::setCurrent(previous);
}

TEST_F(HttpDownloaderReset, DeletesAFinalFileOfATitleWithoutDot)
{
    ASSERT_TRUE(WriteFile(path("dl/README(3)")));
    Row row(path("dl"));
    Prepare(row.download(), path("dl/README(3)"));
    row.download().SetFileTitle("README");
    row.download().Reset();
    EXPECT_FALSE(QFileInfo::exists(path("dl/README(3)")));
}

// The user interface reads progress and names while a worker replaces them
// (ThreadSanitizer reports any unguarded access).
TEST(HttpDownloader, ReadsWhileAWorkerWrites)
{
    CDownloadItem item;
    CHttpDownloader download(kUrl, u"/a", &item);
    download.m_nFileSize = 10000;
    download.m_bGotFileSize = 1;
    constexpr int kRounds = 2000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            download.DeleteSections();
            AddSection(download, {0, 100, true, 50, 64});
            AddSection(download, {5000, 5200, true, 50, 64});
            download.m_nState = i % 2 ? Transferring : Preparing;
            download.SetLocalFileName(i % 2 ? "/a/x.vrldownload" : "/a/y.vrldownload");
        }
        done = true;
    });
    while (!done) {
        const uint64_t downloaded = download.GetDownloadedSize();
        EXPECT_TRUE(downloaded == 0 || downloaded == 100 || downloaded == 300) << downloaded;
        const uint32_t transferSize = download.GetTransferSize();
        EXPECT_TRUE(transferSize == 0 || transferSize == 64 || transferSize == 128) << transferSize;
        uint64_t remaining = 0;
        download.GetRemainingTime(&remaining);
        const QString name = download.GetLocalFileName();
        EXPECT_TRUE(name.isEmpty() || name.startsWith("/a/")) << name.toStdString();
    }
    worker.join();
}
