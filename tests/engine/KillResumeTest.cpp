// A download killed outright (SIGKILL, as by a crash or a power cut) must lose
// no data: its partial file alone is enough to finish it byte for byte. The
// engine runs in the command-line tool as a child process, so it can be killed.
#include "engine/DownloadStub.h"
#include "support/ChildProcess.h"
#include "support/NginxServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstring>
#include <random>

namespace {

constexpr qint64 kFileSize = 64 * 1024 * 1024;
constexpr int kRunLimitMs = 120000;
constexpr int kPollMs = 5;

QString benchTool()
{
    return QCoreApplication::applicationDirPath() + u"/bench/vandrel-bench"_qs;
}

QByteArray randomBody()
{
    std::mt19937_64 random(20241210);
    QByteArray body(kFileSize, Qt::Uninitialized);
    for (qint64 i = 0; i < kFileSize; i += 8) {
        const uint64_t word = random();
        std::memcpy(body.data() + i, &word, 8);
    }
    return body;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True once the partial file is allocated and carries its stub: before that it
// is not yet a download that a partial file alone can finish.
bool hasStub(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != kFileSize + DownloadStub::kSize)
        return false;
    file.seek(kFileSize);
    const QByteArray trailer = file.read(DownloadStub::kSize);
    return trailer.count('\0') != trailer.size();
}

bool waitForStub(const QString& path, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!hasStub(path)) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}

class KillResumeTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_body = new QByteArray(randomBody());
        s_nginx = new NginxServer;
        // Slow enough that every kill lands in the middle of the transfer.
        s_nginx->addLocation(u"location /slow/ { limit_rate 2m; }"_qs);
        ASSERT_TRUE(s_nginx->start()) << s_nginx->errorText().toStdString();
        s_nginx->putFile(u"slow/big.bin"_qs, *s_body);
    }

    static void TearDownTestSuite()
    {
        delete s_nginx;
        delete s_body;
    }

    // Starts the tool on the slow file with these settings and kills it delayMs
    // after its partial file has its stub; returns the partial file's path.
    static QString killMidRun(const QTemporaryDir& folder, const QStringList& settings, int delayMs)
    {
        const QString partial = folder.path() + u"/big.bin.vrldownload"_qs;
        const QString log = folder.path() + u"/first.log"_qs;
        QStringList arguments;
        for (const QString& setting : settings)
            arguments << u"--set"_qs << setting;
        arguments << s_nginx->url(u"/slow/big.bin"_qs) << folder.path();
        ChildProcess first;
        EXPECT_TRUE(first.start(benchTool(), arguments, log));
        EXPECT_TRUE(waitForStub(partial, kRunLimitMs)) << readAll(log).constData();
        QThread::msleep(delayMs);
        first.signal(SIGKILL);
        EXPECT_TRUE(first.waitForExit(kRunLimitMs));
        EXPECT_TRUE(QFile::exists(partial)) << "the kill came after the download had finished";
        return partial;
    }

    // Finishes the download from its partial file alone and checks the result.
    static void finishFromPartial(const QTemporaryDir& folder, const QString& partial)
    {
        const QJsonObject result = runToEnd({u"--from-partial"_qs, partial}, folder.path() + u"/second.log"_qs);
        EXPECT_EQ(result.value(u"state"_qs).toString(), u"Completed"_qs);
        EXPECT_FALSE(QFile::exists(partial));
        EXPECT_TRUE(readAll(folder.path() + u"/big.bin"_qs) == *s_body);
    }

    // Runs the tool to its end and returns its JSON line.
    static QJsonObject runToEnd(const QStringList& arguments, const QString& log)
    {
        ChildProcess tool;
        int exitCode = -1;
        EXPECT_TRUE(tool.start(benchTool(), arguments, log));
        EXPECT_TRUE(tool.waitForExit(kRunLimitMs, &exitCode));
        EXPECT_EQ(exitCode, 0) << readAll(log).constData();
        return QJsonDocument::fromJson(readAll(log).trimmed().split('\n').last()).object();
    }

    static NginxServer* s_nginx;
    static QByteArray* s_body;
};

NginxServer* KillResumeTest::s_nginx = nullptr;
QByteArray* KillResumeTest::s_body = nullptr;

TEST_F(KillResumeTest, APartialFileAloneFinishesTheDownloadAfterAKill)
{
    for (int delayMs : {0, 300, 1500}) {
        SCOPED_TRACE(delayMs);
        QTemporaryDir folder;
        // Progress is recorded every MiB, so the second run continues with ranged requests.
        const QString partial = killMidRun(folder, {u"UpdateDownloadStubEvery=1048576"_qs}, delayMs);
        if (HasFailure())
            return;
        finishFromPartial(folder, partial);
    }
}

// Each section gathers what it reads before writing it. A kill while the
// sections hold gathered bytes loses those, but the stub claims for every
// section only bytes that are on disk as the server sent them.
TEST_F(KillResumeTest, TheStubClaimsNoGatheredByteAfterAKill)
{
    // Each section looks at the stub after a quarter MiB of its own, as much as
    // it gathers at most, so the stub is rewritten many times a second.
    const QStringList settings{u"UpdateDownloadStubEvery=2097152"_qs};
    for (int delayMs : {700, 1900}) {
        SCOPED_TRACE(delayMs);
        QTemporaryDir folder;
        const QString partial = killMidRun(folder, settings, delayMs);
        if (HasFailure())
            return;
        DownloadStub stub;
        ASSERT_NO_THROW(ReadDownloadStub(partial, stub));
        ASSERT_EQ(stub.m_nSectionCount, DownloadStub::kMaxSections);
        const QByteArray data = readAll(partial);
        qsizetype recorded = 0;
        for (uint32_t i = 0; i < stub.m_nSectionCount; ++i) {
            SCOPED_TRACE(i);
            const DownloadStubSection& section = stub.m_sections[i];
            const qsizetype from = qsizetype(section.m_nRangeStartInitial);
            const qsizetype done = qsizetype(section.m_nRangeStart) - from;
            EXPECT_TRUE(data.sliced(from, done) == s_body->sliced(from, done));
            recorded += done;
        }
        EXPECT_GT(recorded, 0);
        finishFromPartial(folder, partial);
    }
}

} // namespace
