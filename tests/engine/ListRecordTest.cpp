#include "FileFixture.h"

#include "engine/HttpDownloaderException.h"
#include "engine/InvalidArgException.h"
#include "platform/ArchiveException.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/FileException.h"

#include <QBuffer>

#include <unistd.h>

namespace {

// One record written out by hand from the record's table: a paused download
// with every kind of field set.
const QByteArray kExampleRecord = QByteArray::fromHex("0B 00 00 00 E8 07 05 00 01 00 06 00 07 00 08 00"
                                                      "09 00 0A 00 E8 07 01 00 02 00 02 00 03 00 04 00"
                                                      "05 00 00 00 0A 00 00 00 68 00 74 00 74 00 70 00"
                                                      "3A 00 2F 00 2F 00 68 00 2F 00 61 00 00 00 00 00"
                                                      "00 00 00 00 01 00 00 00 64 00 01 00 00 00 61 00"
                                                      "07 00 00 00 2F 00 74 00 6D 00 70 00 2F 00 64 00"
                                                      "6C 00 15 00 00 00 2F 00 74 00 6D 00 70 00 2F 00"
                                                      "64 00 6C 00 2F 00 61 00 2E 00 76 00 72 00 6C 00"
                                                      "64 00 6F 00 77 00 6E 00 6C 00 6F 00 61 00 64 00"
                                                      "02 00 00 00 01 00 00 00 01 00 00 00 75 00 01 00"
                                                      "00 00 70 00 01 00 00 00 E8 03 00 00 00 00 00 00"
                                                      "01 00 00 00 00 3C 2B 1A 5E 3D DA 01 80 96 98 00"
                                                      "00 00 00 00");

constexpr qsizetype kDescriptionCountAt = 36 + 24 + 4 + 4; // behind the URL and two empty texts

void SetExampleFields(CHttpDownloader& download)
{
    download.m_nState = Paused;
    download.m_timeAdded = {2024, 5, 1, 6, 7, 8, 9, 10};
    download.SetLastModified({2024, 1, 2, 2, 3, 4, 5, 0});
    download.m_strUrl = "http://h/a";
    download.m_strDescription = "d";
    download.SetFileTitle("a");
    download.m_strDownloadLocation = "/tmp/dl";
    download.SetLocalFileName("/tmp/dl/a.vrldownload");
    download.m_nAccessType = Proxy;
    download.m_bUseAuthorization = 1;
    download.m_strUserName = "u";
    download.m_strPassword = "p";
    download.m_bGotFileSize = 1;
    download.m_nFileSize = 1000;
    download.m_bAcceptRanges = 1;
    download.m_nDownloadStartingTime = 0x01DA3D5E1A2B3C00ULL;
    download.m_nWholeDownloadTime = 10000000;
}

QByteArray Serialized(const CHttpDownloader& download)
{
    BinaryWriter writer;
    download.Serialize(writer);
    return writer.data();
}

// Throws as the loading constructor does.
std::unique_ptr<Row> Load(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(&buffer);
    return std::make_unique<Row>(new CHttpDownloader(reader, nullptr));
}

CArchiveException::Cause LoadFailure(const QByteArray& bytes)
{
    try {
        Load(bytes);
    } catch (const CArchiveException& error) {
        return error.m_cause;
    }
    ADD_FAILURE() << "loaded";
    return CArchiveException::EndOfFile;
}

// The example record with the description replaced by count units of text.
QByteArray WithDescription(int32_t count, const QByteArray& units)
{
    return Patched(kExampleRecord.left(kDescriptionCountAt + 4), kDescriptionCountAt, count)
        + units + kExampleRecord.mid(kDescriptionCountAt + 6);
}

} // namespace

TEST(ListRecord, StoresTheLayoutByteForByte)
{
    ASSERT_EQ(kExampleRecord.size(), 196);
    Row row(new CHttpDownloader(u"", u"/a", nullptr));
    SetExampleFields(row.download);
    EXPECT_EQ(Serialized(row.download), kExampleRecord);
}

TEST(ListRecord, LoadsEveryFieldBack)
{
    // Completed: loaded as it is, with no look at the disk.
    const QByteArray completed = Patched<int32_t>(kExampleRecord, 0, Completed);
    const auto row = Load(completed);
    const CHttpDownloader& d = row->download;
    EXPECT_EQ(int(d.m_nState), Completed);
    EXPECT_EQ(d.m_timeAdded, (SYSTEMTIME{2024, 5, 1, 6, 7, 8, 9, 10}));
    EXPECT_EQ(d.GetLastModified(), (SYSTEMTIME{2024, 1, 2, 2, 3, 4, 5, 0}));
    EXPECT_EQ(d.m_strUrl, "http://h/a");
    EXPECT_EQ(d.m_strDescription, "d");
    EXPECT_EQ(d.GetFileTitle(), "a");
    EXPECT_EQ(d.m_strDownloadLocation, "/tmp/dl");
    EXPECT_EQ(d.GetLocalFileName(), "/tmp/dl/a.vrldownload");
    EXPECT_EQ(d.m_nAccessType, Proxy);
    EXPECT_EQ(d.m_strUserName, "u");
    EXPECT_EQ(d.m_strPassword, "p");
    EXPECT_EQ(d.m_nFileSize, 1000u);
    EXPECT_EQ(d.m_nDownloadStartingTime, 0x01DA3D5E1A2B3C00ULL);
    EXPECT_EQ(d.m_nWholeDownloadTime, 10000000u);
    EXPECT_TRUE(d.m_sections.empty());
    EXPECT_EQ(d.m_pItem, &row->item);
    EXPECT_EQ(Serialized(d), completed);
}

TEST(ListRecord, RefusesBrokenRecords)
{
    for (qsizetype length = 0; length < kExampleRecord.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(LoadFailure(kExampleRecord.left(length)), CArchiveException::EndOfFile);
    }
    struct Case
    {
        const char* name;
        int32_t count;
    };
    // Refused from the count alone: nothing is allocated for it.
    for (const Case& c : {Case{"2084 units", 2084}, Case{"-1", -1}, Case{"huge", 0x7FFFFFFF}}) {
        SCOPED_TRACE(c.name);
        QByteArray units(2 * 2084, 'x');
        EXPECT_EQ(LoadFailure(WithDescription(c.count, units)), CArchiveException::BadTextLength);
    }
    const QByteArray longest = Patched<int32_t>(WithDescription(2083, QByteArray(2 * 2083, 'x')), 0, Completed);
    EXPECT_EQ(Load(longest)->download.m_strDescription.size(), 2083);
    // A NUL unit ends a text.
    const QByteArray withNul = WithDescription(3, QByteArray::fromHex("610000006200"));
    EXPECT_EQ(Load(Patched<int32_t>(withNul, 0, Completed))->download.m_strDescription, "a");
}

// A list the program writes must always load back.
TEST(ListRecord, NeverStoresATextTheLoaderRefuses)
{
    Row row(new CHttpDownloader(u"", u"/a", nullptr));
    SetExampleFields(row.download);
    row.download.m_nState = Completed;
    row.download.m_strReferer = QString(2083, u'r');
    EXPECT_EQ(Load(Serialized(row.download))->download.m_strReferer, row.download.m_strReferer);

    row.download.m_strReferer += u'r';
    BinaryWriter writer;
    EXPECT_THROW(row.download.Serialize(writer), CArchiveException);
    EXPECT_TRUE(writer.data().isEmpty());
}

class ListRecordLoading : public FileFixture
{
protected:
    // A resumable record of dl/a.zip, 1000 bytes, whose partial file is stored.
    std::unique_ptr<Row> Record(int32_t state, const QString& localFile)
    {
        auto row = Prepared("a.zip", 1000, true);
        row->download.DeleteSections();
        row->download.m_nState = state;
        row->download.SetDownloadUrl("http://old/");
        row->download.SetLocalFileName(localFile);
        return row;
    }

    std::unique_ptr<Row> Reloaded(const Row& stored) { return Load(Serialized(stored.download)); }

    QString partial() const { return path("dl/a.zip.vrldownload"); }
};

TEST_F(ListRecordLoading, ResumableDownloadsContinueFromTheirStub)
{
    DownloadStub stub;
    stub.m_strUrl = "http://new/";
    stub.m_nFileSize = 3000;
    stub.m_nSectionCount = 3;
    stub.m_sections[0] = {1, 0, 1000, 999};
    stub.m_sections[1] = {0, 1000, 1500, 1999};
    stub.m_sections[2] = {0, 2000, 2000, 2999};
    ASSERT_TRUE(WritePartialFile(partial(), 3000, stub.Encode()));
    for (int32_t state : {Paused, Transferring, TransferringFailed, Pausing, FileAllocated, NeedToPrepare}) {
        SCOPED_TRACE(state);
        const auto row = Reloaded(*Record(state, partial()));
        const CHttpDownloader& d = row->download;
        EXPECT_EQ(int(d.m_nState), Paused);
        EXPECT_EQ(d.GetDownloadUrl(), "http://new/");
        EXPECT_EQ(d.m_nFileSize, 3000u);
        EXPECT_EQ(d.GetDownloadedSize(), 1500u);
        ASSERT_EQ(d.m_sections.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const CSection& s = *d.m_sections[i];
            EXPECT_EQ(s.m_pDownloader, &d);
            EXPECT_EQ(s.m_nIndex, i);
            EXPECT_EQ(s.m_nRangeStartInitial, stub.m_sections[i].m_nRangeStartInitial);
            EXPECT_EQ(s.m_nRangeStart, stub.m_sections[i].m_nRangeStart);
            EXPECT_EQ(s.m_nRangeEnd, stub.m_sections[i].m_nRangeEnd);
            EXPECT_EQ(int(s.m_bIsReachedZero), stub.m_sections[i].m_bIsReachedZero);
            EXPECT_FALSE(s.m_bIsUnknownLength);
        }
        EXPECT_TRUE(d.m_sections[0]->IsComplete());
        EXPECT_EQ(d.m_pError->m_nErrorCounter, 0);
    }
}

TEST_F(ListRecordLoading, StubUrlsTooLongForAListKeepTheRecordsUrl)
{
    for (qsizetype length : {2084, 3000}) {
        SCOPED_TRACE(length);
        DownloadStub stub = WorkedExample();
        stub.m_strUrl = QString(length, u'u');
        ASSERT_TRUE(WritePartialFile(partial(), 1000, stub.Encode()));
        const auto row = Reloaded(*Record(Paused, partial()));
        EXPECT_EQ(int(row->download.m_nState), Paused);
        EXPECT_EQ(row->download.GetDownloadUrl(), "http://old/");
    }
}

TEST_F(ListRecordLoading, AnEmptyFileRestartsItsOneSection)
{
    for (int32_t reachedZero : {0, 1}) {
        SCOPED_TRACE(reachedZero);
        DownloadStub stub;
        stub.m_strUrl = kStubUrl;
        stub.m_nSectionCount = 1;
        stub.m_sections[0].m_bIsReachedZero = reachedZero;
        ASSERT_TRUE(WriteAll(partial(), stub.Encode()));
        const auto row = Reloaded(*Record(Paused, partial()));
        ASSERT_EQ(row->download.m_sections.size(), 1u);
        const CSection& section = *row->download.m_sections[0];
        EXPECT_TRUE(section.m_bIsUnknownLength);
        EXPECT_EQ(section.IsComplete(), reachedZero == 1);
    }
}

TEST_F(ListRecordLoading, WithoutAPartialFile)
{
    // Never allocated: nothing to continue.
    auto stored = Record(PrepairingFailed, "");
    auto row = Reloaded(*stored);
    EXPECT_EQ(int(row->download.m_nState), NeedToPrepare);
    EXPECT_TRUE(row->download.m_sections.empty());
    EXPECT_EQ(row->download.m_nFileSize, 1000u);

    // Gone: back to the start.
    row = Reloaded(*Record(Paused, partial()));
    const CHttpDownloader& d = row->download;
    EXPECT_EQ(int(d.m_nState), NeedToPrepare);
    EXPECT_EQ(d.m_nFileSize, 0u);
    EXPECT_FALSE(d.m_bAcceptRanges);
    EXPECT_TRUE(d.GetFileTitle().isEmpty());
    EXPECT_TRUE(d.GetLocalFileName().isEmpty());
    EXPECT_TRUE(d.GetDownloadUrl().isEmpty());
    EXPECT_EQ(d.m_strUrl, kStubUrl);
    EXPECT_EQ(d.m_pError->m_nErrorCounter, 0);

    // Completed stays, whatever became of its file.
    row = Reloaded(*Record(Completed, path("dl/a.zip")));
    EXPECT_EQ(int(row->download.m_nState), Completed);
    EXPECT_EQ(row->download.GetLocalFileName(), path("dl/a.zip"));
}

TEST_F(ListRecordLoading, NotResumableGetsOneSection)
{
    ASSERT_TRUE(WriteAll(partial(), "part"));
    struct Case
    {
        int32_t gotSize;
        uint64_t size;
        bool unknownLength;
        uint64_t end;
    };
    for (const Case& c : {Case{1, 1000, false, 999}, Case{0, 1000, true, 0}, Case{1, 0, true, 0}}) {
        SCOPED_TRACE(c.gotSize);
        auto stored = Record(Transferring, partial());
        stored->download.m_bAcceptRanges = 0;
        stored->download.m_bGotFileSize = c.gotSize;
        stored->download.m_nFileSize = c.size;
        const auto row = Reloaded(*stored);
        EXPECT_EQ(int(row->download.m_nState), Paused);
        ASSERT_EQ(row->download.m_sections.size(), 1u);
        const CSection& section = *row->download.m_sections[0];
        EXPECT_EQ(bool(section.m_bIsUnknownLength), c.unknownLength);
        EXPECT_EQ(section.m_nRangeStartInitial, 0u);
        EXPECT_EQ(section.m_nRangeStart, 0u);
        EXPECT_EQ(section.m_nRangeEnd, c.end);
    }
    EXPECT_EQ(ReadAll(partial()), "part");
}

// An unusable stub is the download's problem, not the list's.
TEST_F(ListRecordLoading, StubFailuresStayInTheList)
{
    const QString invalid = QString::fromUtf8("读取下载的数据失败。 Vandrel 下载文件无效。");
    struct Case
    {
        const char* name;
        int32_t state;
        QByteArray content;
    };
    const Case cases[] = {
        {"9 sections", Paused, QByteArray(1000, 'd') + Patched<uint32_t>(WorkedExampleStub(), 4184, 9)},
        {"length", Paused, QByteArray(1001, 'd') + WorkedExampleStub()},
        // Only a download that had everything may lack its stub.
        {"stub cut", Paused, QByteArray(1000, 'd')},
        {"cut too far", FinishingFailed, QByteArray(999, 'd')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAll(partial(), c.content));
        const auto row = Reloaded(*Record(c.state, partial()));
        const CHttpDownloader& d = row->download;
        EXPECT_EQ(int(d.m_nState), NeedToPrepare);
        EXPECT_EQ(d.m_pError->GetText(), invalid);
        EXPECT_TRUE(d.m_sections.empty());
        EXPECT_EQ(d.m_nFileSize, 1000u);
        EXPECT_TRUE(d.IsResumable());
        EXPECT_EQ(d.GetLocalFileName(), partial());
        EXPECT_EQ(ReadAll(partial()), c.content);
    }
}

// Saved after the stub was cut and before the rename: only the rename is left.
TEST_F(ListRecordLoading, FinishedButNotRenamed)
{
    for (int32_t state : {Transferred, Finishing, FinishingFailed}) {
        SCOPED_TRACE(state);
        ASSERT_TRUE(WriteAll(partial(), QByteArray(1000, 'd')));
        const auto row = Reloaded(*Record(state, partial()));
        EXPECT_EQ(int(row->download.m_nState), FinishingFailed);
        EXPECT_TRUE(row->download.m_sections.empty());
        EXPECT_EQ(row->download.m_pError->m_nErrorCounter, 0);
        ASSERT_EQ(row->download.Finish(), StepOk);
        EXPECT_EQ(ReadAll(path("dl/a.zip")), QByteArray(1000, 'd'));
        ASSERT_TRUE(QFile::remove(path("dl/a.zip")));
    }
}

// A damaged or crafted list must not turn some other file into a partial file
// the download writes into, cuts or renames.
TEST_F(ListRecordLoading, TakesOnlyItsOwnPartialFile)
{
    const QByteArray valid = QByteArray(1000, 'd') + WorkedExampleStub();
    ASSERT_TRUE(WriteAll(path("dl/notes.txt"), valid));
    ASSERT_TRUE(WriteAll(path("other/a.zip.vrldownload"), valid));
    ASSERT_TRUE(QFile::link(path("other/a.zip.vrldownload"), path("dl/link.vrldownload")));
    ASSERT_TRUE(QDir().mkpath(path("dl/folder.vrldownload")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("dl/fifo.vrldownload")).constData(), 0600), 0);
    for (const char* stored : {"dl/notes.txt", "other/a.zip.vrldownload", "dl/link.vrldownload",
                               "dl/folder.vrldownload", "dl/fifo.vrldownload", "dl/../other/a.zip.vrldownload"}) {
        SCOPED_TRACE(stored);
        const auto row = Reloaded(*Record(Paused, path(stored)));
        EXPECT_EQ(int(row->download.m_nState), NeedToPrepare);
        EXPECT_TRUE(row->download.GetLocalFileName().isEmpty());
        EXPECT_TRUE(row->download.m_sections.empty());
        EXPECT_EQ(row->download.m_pError->m_nErrorCounter, 0);
    }
    EXPECT_EQ(ReadAll(path("dl/notes.txt")), valid);
    EXPECT_EQ(ReadAll(path("other/a.zip.vrldownload")), valid);

    // Its own file, named in a roundabout way, is taken under its plain name.
    ASSERT_TRUE(WriteAll(partial(), valid));
    const auto row = Reloaded(*Record(Paused, path("dl/folder.vrldownload/../a.zip.vrldownload")));
    EXPECT_EQ(int(row->download.m_nState), Paused);
    EXPECT_EQ(row->download.GetLocalFileName(), partial());
}

using PartialFileImport = FileFixture;

TEST_F(PartialFileImport, TakesEverythingFromTheFile)
{
    struct Case
    {
        const char* name;
        const char* title;
    };
    const Case cases[] = {
        {"a.zip.(1).vrldownload", "a.zip.(1)"},
        {"movie.part", "movie.part"},
        {"noext", "noext"},
        {"A.VRLDOWNLOAD", "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path("dl/") + c.name;
        ASSERT_TRUE(WritePartialFile(file, 1000, WorkedExampleStub()));
        Row row(new CHttpDownloader(file, nullptr));
        const CHttpDownloader& d = row.download;
        EXPECT_EQ(d.m_pItem, &row.item);
        EXPECT_EQ(d.m_strDownloadLocation, path("dl"));
        EXPECT_EQ(d.GetFileTitle(), c.title);
        EXPECT_EQ(d.GetLocalFileName(), file);
        EXPECT_EQ(int(d.m_nState), Paused);
        EXPECT_EQ(d.m_strUrl, kStubUrl);
        EXPECT_EQ(d.GetDownloadUrl(), kStubUrl);
        EXPECT_TRUE(d.IsResumable());
        EXPECT_EQ(d.m_nFileSize, 1000u);
        ASSERT_EQ(d.m_sections.size(), 2u);
        EXPECT_EQ(d.m_sections[1]->m_nRangeStartInitial, 500u);
        EXPECT_EQ(d.m_sections[1]->m_nRangeEnd, 999u);
        EXPECT_EQ(d.GetLastModified(), SYSTEMTIME{});
    }
}

TEST_F(PartialFileImport, Refusals)
{
    EXPECT_THROW(CHttpDownloader(QString(), nullptr), CInvalidArgException);
    EXPECT_THROW(CHttpDownloader(QStringLiteral("a.vrldownload"), nullptr), CInvalidArgException);
    EXPECT_THROW(CHttpDownloader(path("dl/missing.vrldownload"), nullptr), CFileException);
    ASSERT_TRUE(WriteAll(path("dl/short.vrldownload"), QByteArray(4411, '\0')));
    EXPECT_THROW(CHttpDownloader(path("dl/short.vrldownload"), nullptr), CHttpDownloaderException);
    // Without a URL the download could not go on.
    for (qsizetype length : {0, 2084, 2085}) {
        SCOPED_TRACE(length);
        DownloadStub stub = WorkedExample();
        stub.m_strUrl = QString(length, u'u');
        ASSERT_TRUE(WritePartialFile(path("dl/a.vrldownload"), 1000, stub.Encode()));
        EXPECT_THROW(CHttpDownloader(path("dl/a.vrldownload"), nullptr), CHttpDownloaderException);
    }
}
