#include "platform/HashRun.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class HashRunTest : public testing::Test
{
protected:
    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("file.bin")) const
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return file.fileName();
    }

    static bool waitDone(const CHashRun& run)
    {
        QDeadlineTimer deadline(20000);
        while (!run.IsDone() && !deadline.hasExpired())
            QThread::msleep(2);
        return run.IsDone();
    }

    // The finished run's digest, or "failure N/errno" for a failed one.
    static QString hashOf(const QString& path, const QString& algorithm)
    {
        CHashRun run(path, algorithm);
        if (!waitDone(run))
            return QStringLiteral("hung");
        if (run.GetFailure() != CHashRun::Failure::None)
            return QStringLiteral("failure %1/%2").arg(int(run.GetFailure())).arg(run.FileError());
        return run.Hash();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(HashRunTest, FilesGiveTheStandardDigestsAcrossTheChunkBoundary)
{
    struct Case
    {
        QByteArray content;
        const char* algorithm;
        const char* digest;
    };
    const QByteArray million(1000000, 'a'); // read as 524288 + 475712
    const QByteArray oneChunk(CHashRun::kChunkSize, '\0');
    const QByteArray chunkAndOne(CHashRun::kChunkSize + 1, '\0');
    const Case cases[] = {
        {"", "MD2", "8350e5a3e24c153df2275c9f80692773"},
        {"abc", "MD2", "da853b0d3f88d99b30283a69e6ded6bb"},
        {"", "MD4", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"abc", "MD4", "a448017aaf21d8525fc10ae87aa6729d"},
        {"", "MD5", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "MD5", "900150983cd24fb0d6963f7d28e17f72"},
        {"", "SHA1", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "SHA1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "SHA256", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "SHA256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "SHA384",
         "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
        {"abc", "SHA512",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {million, "MD4", "bbce80cc6bb65e5c6745e30d4eeca9a4"},
        {million, "MD5", "7707d6ae4e027c70eea2a935c2296f21"},
        {million, "SHA1", "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {million, "SHA256", "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {million, "SHA384",
         "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
        {million, "SHA512",
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
         "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
        {oneChunk, "SHA256", "07854d2fef297a06ba81685e660c332de36d5d18d546927d30daad6d7fda1541"},
        {oneChunk, "MD5", "59071590099d21dd439896592338bf95"},
        {chunkAndOne, "SHA256", "eda6e9fb7e8bed184a10de09683556f9fc1720ffc1af5fa73f4891c7dec70bca"},
        {chunkAndOne, "MD5", "1e5799707a49e5e03e6b969f52a63440"},
    };
    for (const Case& c : cases) {
        const QString path = writeFile(c.content);
        CHashRun run(path, QString::fromLatin1(c.algorithm));
        ASSERT_TRUE(waitDone(run));
        EXPECT_EQ(run.GetFailure(), CHashRun::Failure::None);
        EXPECT_EQ(run.Hash(), QLatin1String(c.digest)) << c.algorithm << " of " << c.content.size() << " bytes";
        EXPECT_EQ(run.BytesProcessed(), uint64_t(c.content.size()));
    }
}

TEST_F(HashRunTest, FilesThatCannotBeReadSafelyFailWithTheirReason)
{
    const QString target = writeFile("abc");
    const QString link = m_dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case
    {
        QString path;
        int error;
    };
    const Case cases[] = {
        {m_dir.filePath(QStringLiteral("missing")), ENOENT},
        {link, ELOOP},         // never through a final symbolic link
        {fifo, EOPNOTSUPP},    // a read would wait for a writer for ever
        {m_dir.path(), EOPNOTSUPP},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hashOf(c.path, QStringLiteral("SHA256")), QStringLiteral("failure 3/%1").arg(c.error)) << c.path.toStdString();
}

TEST_F(HashRunTest, UnknownAlgorithmIsAHashingFailure)
{
    EXPECT_EQ(hashOf(writeFile("abc"), QStringLiteral("SHA224")), QStringLiteral("failure 1/0"));
}

TEST_F(HashRunTest, StoppedRunEndsSoonAndLeavesNoDigest)
{
    // A sparse 4 GiB file: far more than MD2 gets through before the stop.
    const QString path = writeFile("");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(4) << 30), 0);
    CHashRun run(path, QStringLiteral("MD2"));
    QDeadlineTimer deadline(20000);
    while (run.BytesProcessed() == 0 && !deadline.hasExpired())
        QThread::msleep(1);
    ASSERT_GT(run.BytesProcessed(), 0u);
    EXPECT_FALSE(run.IsDone());
    run.RequestStop();
    ASSERT_TRUE(waitDone(run));
    EXPECT_EQ(run.GetFailure(), CHashRun::Failure::None);
    EXPECT_EQ(run.Hash(), QString());
    EXPECT_LT(run.BytesProcessed(), uint64_t(4) << 30);
    EXPECT_EQ(run.BytesProcessed() % CHashRun::kChunkSize, 0u);
}

TEST_F(HashRunTest, DestroyingARunningRunWaitsOnlyForTheCurrentChunk)
{
    const QString path = writeFile("");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(4) << 30), 0);
    QDeadlineTimer deadline(20000);
    auto run = std::make_unique<CHashRun>(path, QStringLiteral("MD2"));
    while (run->BytesProcessed() == 0 && !deadline.hasExpired())
        QThread::msleep(1);
    run.reset();
    EXPECT_FALSE(deadline.hasExpired());
}
