#include "FileFixture.h"

#include "platform/SystemError.h"

#include <QDirIterator>

#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <thread>

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

QString ErrorText(TextId message, int code)
{
    const char* text = message == TextId::CreateFileFailed ? "创建文件失败。" : "为文件分配空间失败。";
    return QString::fromUtf8(text) + u' ' + GetSystemErrorText(code) + QStringLiteral(" (%1)").arg(code);
}

bool IsSparse(const QString& path)
{
    const struct stat status = LinkStatus(path);
    return uint64_t(status.st_blocks) * 512 < uint64_t(status.st_size);
}

// Every entry below folder, relative to it.
QStringList Entries(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// Bytes in use on the file system that holds path.
uint64_t UsedBytes(const QString& path)
{
    struct statvfs status{};
    if (statvfs(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return uint64_t(status.f_blocks - status.f_bfree) * status.f_frsize;
}

} // namespace

using AllocateFile = FileFixture;

TEST_F(AllocateFile, WritesTheStubBehindTheData)
{
    ASSERT_TRUE(QDir(path("dl")).removeRecursively());
    auto row = Prepared("f.bin", 1000, true);
    ASSERT_EQ(row->download.AllocateFile(), StepOk);

    // The folder is made as needed.
    const QString partial = path("dl/f.bin.vrldownload");
    EXPECT_EQ(row->download.GetLocalFileName(), partial);
    const QByteArray content = ReadAll(partial);
    ASSERT_EQ(content.size(), 5412);
    EXPECT_EQ(content.left(1000), QByteArray(1000, '\0'));
    EXPECT_EQ(content.mid(1000), WorkedExampleStub());
    EXPECT_EQ(row->download.m_nAllocated, 5412u);
    EXPECT_FALSE(IsSparse(partial));
    EXPECT_EQ(row->download.m_pError->m_nErrorCounter, 0);
}

TEST_F(AllocateFile, OnlyAResumableDownloadHasAStub)
{
    struct Case
    {
        const char* name;
        uint64_t size;
        bool resumable;
        QByteArray content;
    };
    DownloadStub empty;
    empty.m_strUrl = kStubUrl;
    empty.m_nSectionCount = 1;
    const Case cases[] = {
        {"resumable, size 0", 0, true, empty.Encode()},
        {"not resumable", 1000, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A stale partial file of the download is emptied, not appended to.
        const QString partial = path("dl/a.vrldownload");
        ASSERT_TRUE(WriteAll(partial, "stale content"));
        auto row = Prepared("a", c.size, c.resumable);
        row->download.SetLocalFileName(partial);
        ASSERT_EQ(row->download.AllocateFile(), StepOk);
        EXPECT_EQ(row->download.GetLocalFileName(), partial);
        EXPECT_EQ(ReadAll(partial), c.content);
    }
}

TEST_F(AllocateFile, GrowsInBlocksAndStopsBetweenThem)
{
    constexpr uint64_t kSize = 250 * kMiB;
    auto row = Prepared("big", kSize, true);
    ASSERT_EQ(row->download.AllocateFile(), StepOk);
    const QString partial = row->download.GetLocalFileName();
    EXPECT_EQ(QFileInfo(partial).size(), qint64(kSize + 4412));
    EXPECT_EQ(row->download.m_nAllocated, kSize + 4412);
    EXPECT_FALSE(IsSparse(partial));
    QFile file(partial);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.seek(kSize));
    EXPECT_EQ(file.read(6), QByteArray::fromHex("565244000200"));
    file.close();
    ASSERT_TRUE(QFile::remove(partial));

    // A pause is seen after the first block of 100 MiB, and leaves no file.
    row->download.m_pTerminateEvent->set();
    EXPECT_EQ(row->download.AllocateFile(), StepStopped);
    EXPECT_EQ(row->download.m_nAllocated, 100 * kMiB);
    EXPECT_TRUE(row->download.GetLocalFileName().isEmpty());
    EXPECT_TRUE(Entries(path("dl")).isEmpty());
    EXPECT_EQ(row->download.m_pError->m_nErrorCounter, 0);
}

TEST_F(AllocateFile, TakesTheNextFreeNameAndLeavesOthersAlone)
{
    ASSERT_TRUE(WriteAll(path("dl/a.zip.vrldownload"), "X"));
    // A dangling link counts as taken and is never followed.
    ASSERT_TRUE(QFile::link(path("other/victim"), path("dl/a.zip.(1).vrldownload")));
    auto row = Prepared("a.zip", 1000, true);
    ASSERT_EQ(row->download.AllocateFile(), StepOk);
    EXPECT_EQ(row->download.GetLocalFileName(), path("dl/a.zip.(2).vrldownload"));
    EXPECT_EQ(ReadAll(path("dl/a.zip.vrldownload")), "X");
    EXPECT_TRUE(S_ISLNK(LinkStatus(path("dl/a.zip.(1).vrldownload")).st_mode));
    EXPECT_FALSE(QFileInfo::exists(path("other/victim")));
}

// A damaged or crafted record must not make the allocation truncate a file the
// download did not make.
TEST_F(AllocateFile, ReusesOnlyItsOwnPartialFile)
{
    ASSERT_TRUE(WriteAll(path("other/victim"), "keep"));
    ASSERT_TRUE(QFile::link(path("other/victim"), path("dl/link.vrldownload")));
    struct Case
    {
        const char* stored;     // the partial-file name the download carries
        const char* existing;   // a file made there first, or null
        const char* allocated;  // the partial file it gets
    };
    const Case cases[] = {
        {"dl/a.zip.(3).vrldownload", "dl/a.zip.(3).vrldownload", "dl/a.zip.(3).vrldownload"},
        {"dl/OLD.VRLDOWNLOAD", "dl/OLD.VRLDOWNLOAD", "dl/OLD.VRLDOWNLOAD"},
        {"dl/sub/../a.zip.(3).vrldownload", "dl/a.zip.(3).vrldownload", "dl/a.zip.(3).vrldownload"},
        {"dl/gone.vrldownload", nullptr, "dl/a.zip.vrldownload"},
        {"dl/notes.txt", "dl/notes.txt", "dl/a.zip.vrldownload"},
        {"other/a.zip.vrldownload", "other/a.zip.vrldownload", "dl/a.zip.vrldownload"},
        {"dl/link.vrldownload", nullptr, "dl/a.zip.vrldownload"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        if (c.existing) {
            ASSERT_TRUE(WriteAll(path(c.existing), "foreign"));
        }
        auto row = Prepared("a.zip", 1000, true);
        row->download.SetLocalFileName(path(c.stored));
        ASSERT_EQ(row->download.AllocateFile(), StepOk);
        EXPECT_EQ(row->download.GetLocalFileName(), path(c.allocated));
        EXPECT_EQ(QFileInfo(path(c.allocated)).size(), 5412);
        if (c.existing && QString(c.existing) != c.allocated) {
            EXPECT_EQ(ReadAll(path(c.existing)), "foreign");
        }
        EXPECT_EQ(ReadAll(path("other/victim")), "keep");
        QFile::remove(path(c.allocated));
    }
}

TEST_F(AllocateFile, RefusesAFolderOrTitleItCannotUse)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path("other")));
    struct Case
    {
        const char* folder;
        const char* title;
    };
    for (const Case& c : {Case{"", "a.zip"}, Case{"D:\\Dl", "a.zip"}, Case{"dl", "a.zip"}, Case{"/", "a.zip"},
                          Case{"*", ""}}) {
        SCOPED_TRACE(c.folder);
        auto row = Prepared(c.title, 1000, true);
        if (QString(c.folder) != "*")
            row->download.m_strDownloadLocation = c.folder;
        EXPECT_EQ(row->download.AllocateFile(), StepFailed);
        EXPECT_EQ(row->download.m_pError->GetText(), ErrorText(TextId::CreateFileFailed, EINVAL));
        EXPECT_TRUE(row->download.GetLocalFileName().isEmpty());
    }
    QDir::setCurrent(previous);
    EXPECT_TRUE(Entries(path("other")).isEmpty());
    EXPECT_TRUE(Entries(path("dl")).isEmpty());
}

TEST_F(AllocateFile, ReportsTheSystemError)
{
    // The folder cannot be made where a file has its name.
    ASSERT_TRUE(WriteAll(path("other/file"), "file"));
    auto row = Prepared("a.zip", 1000, true);
    row->download.m_strDownloadLocation = path("other/file");
    EXPECT_EQ(row->download.AllocateFile(), StepFailed);
    EXPECT_EQ(row->download.m_pError->GetText(), ErrorText(TextId::CreateFileFailed, ENOTDIR));
    EXPECT_EQ(ReadAll(path("other/file")), "file");
}

// No space to reserve: shown at allocation, with no partial file left.
// A file-size limit refuses the reservation the way a full disk does.
TEST_F(AllocateFile, ReportsAFailedReservation)
{
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 1 * kMiB;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    auto row = Prepared("a.zip", 10 * kMiB, true);
    const StepResult result = row->download.AllocateFile();

    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, StepFailed);
    EXPECT_EQ(row->download.m_pError->GetText(), ErrorText(TextId::AllocateFileFailed, EFBIG));
    EXPECT_TRUE(row->download.GetLocalFileName().isEmpty());
    EXPECT_TRUE(Entries(path("dl")).isEmpty());
}

// A size the disk cannot hold fails before anything is reserved: filling the
// disk first would make every other writer on it fail meanwhile.
TEST_F(AllocateFile, RefusesASizeBeyondTheFreeSpaceWithoutFillingTheDisk)
{
    const QString small = path("small");
    ASSERT_TRUE(QDir().mkpath(small));
    if (mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=400m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << strerror(errno);
    const auto unmount = qScopeGuard([&] { umount2(QFile::encodeName(small).constData(), MNT_DETACH); });

    const uint64_t before = UsedBytes(small);
    std::atomic<bool> done{false};
    std::atomic<uint64_t> most{before};
    std::thread sampler([&] {
        while (!done) {
            most = std::max<uint64_t>(most, UsedBytes(small));
            std::this_thread::yield();
        }
    });
    auto row = Prepared("big.bin", 1024 * kMiB, true);
    row->download.m_strDownloadLocation = small;
    const StepResult result = row->download.AllocateFile();
    done = true;
    sampler.join();

    EXPECT_EQ(result, StepFailed);
    EXPECT_EQ(row->download.m_pError->GetText(), ErrorText(TextId::AllocateFileFailed, ENOSPC));
    EXPECT_LE(most.load(), before);
    EXPECT_EQ(row->download.m_nAllocated, 0u);
    EXPECT_TRUE(row->download.GetLocalFileName().isEmpty());
    EXPECT_TRUE(Entries(small).isEmpty());

    // What fits is allocated as ever.
    row = Prepared("fits.bin", 120 * kMiB, true);
    row->download.m_strDownloadLocation = small;
    ASSERT_EQ(row->download.AllocateFile(), StepOk) << row->download.m_pError->GetText().toStdString();
    EXPECT_EQ(QFileInfo(row->download.GetLocalFileName()).size(), qint64(120 * kMiB + 4412));
    EXPECT_FALSE(IsSparse(row->download.GetLocalFileName()));
}
