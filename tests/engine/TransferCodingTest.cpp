// A server that sends its body in a transfer coding nobody asked for: the
// download fails with the reason after its attempts, each refused at the
// answer's headers, while a body in chunks is the file.
#include "RunFixture.h"

namespace {

constexpr int32_t kAttempts = 2;

// 64 MiB of zeros in some 64 KiB, in one chunk: the answer that made a client decode for minutes.
QByteArray chunkedBomb()
{
    const QByteArray compressed = qCompress(QByteArray(64 << 20, '\0'), 9).mid(4);
    return QByteArray::number(compressed.size(), 16) + "\r\n" + compressed + "\r\n0\r\n\r\n";
}

} // namespace

class TransferCodingTest : public RunFixture
{
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        set(&CAppSettingsBase::MaxAttempts, kAttempts);
        set(&CAppSettingsBase::PauseBetweenAttempts, 50);
        set(&CAppSettingsBase::MaxSectionCountPerDownload, 1);
    }
};

TEST_F(TransferCodingTest, AGzipCodedAnswerFailsTheDownloadWithTheReason)
{
    const QByteArray bomb = chunkedBomb();
    const QByteArray body = pattern(100000);
    const struct
    {
        const char* name;
        bool coded; // the preparing answer too, or only the ranged ones
        int32_t state;
        int requests;
    } cases[] = {
        {"preparing", true, PrepairingFailed, kAttempts},
        {"transferring", false, TransferringFailed, 1 + kAttempts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> prepared{false};
        FaultServer server([&](const FaultServer::Request& request) {
            if (!c.coded && !prepared.exchange(true))
                return rangedAnswer(request, body);
            return FaultServer::Script{
                FaultServer::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n" + bomb)};
        });
        const auto item = makeItem(server.url(u"/file.bin"_qs));

        EXPECT_EQ(runToEnd(*item), c.state);
        EXPECT_EQ(item->m_pDownloader->m_pError->GetText(), u"发送请求失败。 无法解析服务器的响应。 (12152)"_qs);
        EXPECT_EQ(server.requests().size(), c.requests);
    }
}

// No length and no ranges: the body comes in chunks, over one connection.
TEST_F(TransferCodingTest, AChunkedAnswerIsTheFile)
{
    const QByteArray body = pattern(300000);
    FaultServer server([&](const FaultServer::Request&) {
        QByteArray answer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (qsizetype at = 0; at < body.size(); at += 65536) {
            const QByteArray piece = body.mid(at, 65536);
            answer += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        return FaultServer::Script{FaultServer::send(answer + "0\r\n\r\n")};
    });
    const auto item = makeItem(server.url(u"/file.bin"_qs));

    ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
    EXPECT_TRUE(readFile(item->m_pDownloader->GetLocalFileName()) == body);
}
