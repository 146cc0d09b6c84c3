// A file replaced on the server while its download is paused must never be
// finished from two versions: the resumed run fails with the "resource changed"
// reason, in the program as in the command-line tool resuming a partial file.
#include "NginxRunFixture.h"
#include "support/ChildProcess.h"
#include "support/NginxServer.h"

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
    bool newerTime; // else the new file keeps the old one's time, so only its size tells
};

const ChangeCase kChanges[] = {
    {"grown", 12 * kMiB, false},
    {"shrunk", 3 * kMiB, false},
    {"same size, newer time", kSize, true},
};

} // namespace

class ChangedFileTest : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        StartNginx([](NginxServer& nginx) {
            nginx.addLocation(u"location /slow/ { limit_rate 1m; }"_qs);
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
        s_nginx->putFile(path, otherVersion(change.newSize));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(change.newerTime ? old.addSecs(3600) : old, QFileDevice::FileModificationTime));
    }
};

// Paused as Pause all does, started again as Start all does, and once more.
TEST_F(ChangedFileTest, ResumedRunOfAChangedFileFailsAndStaysFailed)
{
    int n = 0;
    for (const ChangeCase& change : kChanges) {
        SCOPED_TRACE(change.name);
        const QString path = u"slow/changed%1.bin"_qs.arg(++n);
        s_nginx->putFile(path, pattern(kSize));
        const auto item = makeItem(s_nginx->url(u'/' + path));
        CHttpDownloader& download = *item->m_pDownloader;
        sink().clear(&download);
        download.Start(false);
        ASSERT_TRUE(waitFor([&] { return download.GetDownloadedSize() >= kPauseAfter; }));
        download.RequestPause();
        ASSERT_EQ(sink().waitForFinal(item->m_nId, kRunWaitMs), Paused);
        replace(path, change);

        for (int start = 0; start < 2; ++start) {
            SCOPED_TRACE(start);
            ASSERT_EQ(runToEnd(*item), TransferringFailed);
            EXPECT_EQ(download.m_pError->GetText(), kChangedText);
            EXPECT_FALSE(QFile::exists(folder() + u"/changed%1.bin"_qs.arg(n)));
        }
    }
}

// The tool paused part-way and then resumed from the partial file alone, which
// carries no time: the size the answers give is what tells.
TEST_F(ChangedFileTest, PartialFileOfAFileThatChangedSizeIsNotFinished)
{
    const QString tool = QCoreApplication::applicationDirPath() + u"/bench/vandrel-bench"_qs;
    const auto run = [&](const QStringList& arguments, const QString& log, int* exitCode) {
        ChildProcess child;
        EXPECT_TRUE(child.start(tool, arguments, log));
        EXPECT_TRUE(child.waitForExit(kToolLimitMs, exitCode));
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll().trimmed().split('\n').last()).object();
    };
    int n = 0;
    for (const ChangeCase& change : kChanges) {
        if (change.newerTime)
            continue;
        SCOPED_TRACE(change.name);
        const QString path = u"slow/partial%1.bin"_qs.arg(++n);
        s_nginx->putFile(path, pattern(kSize));
        QTemporaryDir folder;
        int exitCode = -1;
        const QJsonObject paused = run({u"--set"_qs, u"MaxSectionCountPerDownload=4"_qs, u"--pause-after"_qs,
                                        QString::number(kPauseAfter), s_nginx->url(u'/' + path), folder.path()},
                                       folder.path() + u"/first.log"_qs, &exitCode);
        ASSERT_EQ(paused.value(u"state"_qs).toString(), u"Paused"_qs) << QJsonDocument(paused).toJson().constData();
        replace(path, change);

        const QString partial = folder.path() + u"/partial%1.bin.vrldownload"_qs.arg(n);
        const QJsonObject resumed = run({u"--from-partial"_qs, partial}, folder.path() + u"/second.log"_qs, &exitCode);
        EXPECT_NE(exitCode, 0);
        EXPECT_EQ(resumed.value(u"state"_qs).toString(), u"TransferringFailed"_qs);
        EXPECT_EQ(resumed.value(u"error"_qs).toString(), kChangedText);
        EXPECT_TRUE(QFile::exists(partial));
        EXPECT_FALSE(QFile::exists(folder.path() + u"/partial%1.bin"_qs.arg(n)));
    }
}
