// A file replaced on the server while its download is paused must never be
// finished from two versions: the resumed run fails with the "resource changed"
// reason, in the program (resumed as it was, or loaded from the list) as in the
// command-line tool resuming a partial file alone.
#include "NginxRunFixture.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "support/ChildProcess.h"
#include "support/NginxServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

constexpr qsizetype kMiB = 1 << 20;
constexpr qsizetype kSize = 8 * kMiB;
constexpr uint64_t kPauseAfter = kMiB;
constexpr int kToolLimitMs = 60000;
const QString kChangedText = u"内容长度无效。 似乎资源已更改； 您必须重置下载。"_qs;

struct ChangeCase
{
    const char* name;
    qsizetype newSize;
    bool newerTime; // else the new file keeps the old one's time (and so nginx's ETag)
    bool newBytes = true;
};

// The last two only the bytes before a resume point can tell.
const ChangeCase kChanges[] = {
    {"grown", 12 * kMiB, false},
    {"shrunk", 3 * kMiB, false},
    {"same size, newer time", kSize, true},
    {"same size, same time", kSize, false},
};

// With ETags, If-Range carries nginx's; without, the Last-Modified date.
const char* const kServedFrom[] = {"slow", "slow-no-etag"};

enum class Road { AsItWas, FromTheList };

} // namespace

class ChangedFileTest : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        StartNginx([](NginxServer& nginx) {
            nginx.addLocation(u"location /slow/ { limit_rate 1m; }"_qs);
            nginx.addLocation(u"location /slow-no-etag/ { limit_rate 1m; etag off; }"_qs);
        });
    }
    void SetUp() override
    {
        NginxRunFixture::SetUp();
        set(&CAppSettingsBase::MaxSectionCountPerDownload, 4);
        set(&CAppSettingsBase::MinSectionSize, int32_t(kMiB));
    }

    // The new version: as long as asked, and unlike the first at every offset.
    static QByteArray otherVersion(qsizetype size)
    {
        QByteArray bytes = pattern(size);
        for (char& byte : bytes)
            byte = char(byte ^ 0x5a);
        return bytes;
    }

    // Puts the new version in place of the old, dated as the case says.
    static void replace(const QString& path, const ChangeCase& change)
    {
        QFile file(s_nginx->root() + u'/' + path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QDateTime old = file.fileTime(QFileDevice::FileModificationTime);
        file.close();
        s_nginx->putFile(path, change.newBytes ? otherVersion(change.newSize) : pattern(change.newSize));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(change.newerTime ? old.addSecs(3600) : old, QFileDevice::FileModificationTime));
    }

    // The paused download as the road goes on with it: the same object, or
    // one loaded from its list record, which knows no ETag.
    static ItemPtr resumed(ItemPtr paused, Road road)
    {
        if (road == Road::AsItWas)
            return paused;
        BinaryWriter writer;
        paused->m_pDownloader->Serialize(writer);
        QByteArray record = writer.data();
        QBuffer buffer(&record);
        buffer.open(QIODevice::ReadOnly);
        BinaryReader reader(&buffer);
        ItemPtr loaded(new CDownloadItem);
        loaded->m_pDownloader = new CHttpDownloader(reader, loaded.get());
        return loaded;
    }

    // Runs the tool on these arguments; its last line of output, which tells how it ended.
    static QJsonObject runTool(const QStringList& arguments, const QString& log, int* exitCode)
    {
        ChildProcess child;
        EXPECT_TRUE(child.start(QCoreApplication::applicationDirPath() + u"/bench/vandrel-bench"_qs, arguments, log));
        EXPECT_TRUE(child.waitForExit(kToolLimitMs, exitCode));
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll().trimmed().split('\n').last()).object();
    }
};

// Paused as Pause all does, started again as Start all does, and once more.
TEST_F(ChangedFileTest, ResumedRunOfAChangedFileFailsAndStaysFailed)
{
    int n = 0;
    for (const char* served : kServedFrom) {
        for (const Road road : {Road::AsItWas, Road::FromTheList}) {
            for (const ChangeCase& change : kChanges) {
                SCOPED_TRACE(testing::Message() << served << ", " << (road == Road::AsItWas ? "as it was" : "from the list")
                                                << ", " << change.name);
                const QString name = u"changed%1.bin"_qs.arg(++n);
                const QString path = QString::fromLatin1(served) + u'/' + name;
                s_nginx->putFile(path, pattern(kSize));
                ItemPtr first = makeItem(s_nginx->url(u'/' + path));
                sink().clear(first->m_pDownloader);
                first->m_pDownloader->Start(false);
                ASSERT_TRUE(waitFor([&] { return first->m_pDownloader->GetDownloadedSize() >= kPauseAfter; }));
                first->m_pDownloader->RequestPause();
                ASSERT_EQ(sink().waitForFinal(first->m_nId, kRunWaitMs), Paused);
                replace(path, change);
                const ItemPtr item = resumed(std::move(first), road);

                for (int start = 0; start < 2; ++start) {
                    SCOPED_TRACE(start);
                    ASSERT_EQ(runToEnd(*item), TransferringFailed);
                    EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), kChangedText);
                    EXPECT_FALSE(QFile::exists(folder() + u'/' + name));
                }
            }
        }
    }
}

// Unchanged, the file finishes whichever validator the requests carry: the
// server agrees with the ETag or with the date it sent.
TEST_F(ChangedFileTest, UnchangedFileResumesOnEitherValidator)
{
    const QByteArray body = pattern(2 * kMiB);
    int n = 0;
    for (const char* served : kServedFrom) {
        for (const Road road : {Road::AsItWas, Road::FromTheList}) {
            SCOPED_TRACE(testing::Message() << served << (road == Road::AsItWas ? ", as it was" : ", from the list"));
            const QString name = u"unchanged%1.bin"_qs.arg(++n);
            s_nginx->putFile(QString::fromLatin1(served) + u'/' + name, body);
            ItemPtr first = makeItem(s_nginx->url(u'/' + QString::fromLatin1(served) + u'/' + name));
            sink().clear(first->m_pDownloader);
            first->m_pDownloader->Start(false);
            ASSERT_TRUE(waitFor([&] { return first->m_pDownloader->GetDownloadedSize() >= kPauseAfter / 2; }));
            first->m_pDownloader->RequestPause();
            ASSERT_EQ(sink().waitForFinal(first->m_nId, kRunWaitMs), Paused);
            const ItemPtr item = resumed(std::move(first), road);

            ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
            EXPECT_TRUE(readFile(folder() + u'/' + name) == body);
        }
    }
}

// The tool paused part-way and then resumed from the partial file alone, which
// carries no validator of the server's: the size the answers give, a time later
// than the partial file or the bytes before each resume point tell. A file only
// touched on the server has the same bytes there, and is finished.
TEST_F(ChangedFileTest, PartialFileOfAChangedFileIsNotFinished)
{
    const ChangeCase touched{"touched", kSize, true, false};
    int n = 0;
    for (const ChangeCase* change : {&kChanges[0], &kChanges[1], &kChanges[2], &kChanges[3], &touched}) {
        SCOPED_TRACE(change->name);
        const QString path = u"slow/partial%1.bin"_qs.arg(++n);
        s_nginx->putFile(path, pattern(kSize));
        QTemporaryDir folder;
        int exitCode = -1;
        const QJsonObject paused = runTool({u"--set"_qs, u"MaxSectionCountPerDownload=4"_qs, u"--pause-after"_qs,
                                            QString::number(kPauseAfter), s_nginx->url(u'/' + path), folder.path()},
                                           folder.path() + u"/first.log"_qs, &exitCode);
        ASSERT_EQ(paused.value(u"state"_qs).toString(), u"Paused"_qs) << QJsonDocument(paused).toJson().constData();
        replace(path, *change);

        const QString partial = folder.path() + u"/partial%1.bin.vrldownload"_qs.arg(n);
        const QString finished = folder.path() + u"/partial%1.bin"_qs.arg(n);
        const QJsonObject resumed = runTool({u"--from-partial"_qs, partial}, folder.path() + u"/second.log"_qs, &exitCode);
        if (!change->newBytes) {
            EXPECT_EQ(resumed.value(u"state"_qs).toString(), u"Completed"_qs);
            EXPECT_TRUE(readFile(finished) == pattern(kSize));
            continue;
        }
        EXPECT_NE(exitCode, 0);
        EXPECT_EQ(resumed.value(u"state"_qs).toString(), u"TransferringFailed"_qs);
        EXPECT_EQ(resumed.value(u"error"_qs).toString(), kChangedText);
        EXPECT_TRUE(QFile::exists(partial));
        EXPECT_FALSE(QFile::exists(finished));
    }
}
