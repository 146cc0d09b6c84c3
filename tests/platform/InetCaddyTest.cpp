// HTTPS against caddy, a strict server that ends the handshake when a client
// offers a protocol it does not speak, such as ALPN's name for HTTP/1.0.
#include "InetTestRequest.h"
#include "support/CaddyServer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace inet;

namespace {

const QByteArray kContent = "served by caddy";

class InetCaddyTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<CaddyServer>();
        s_started = s_server->start();
        s_server->putFile(QStringLiteral("f.bin"), kContent);
        SetTestCaFile(s_server->certificateFile());
    }

    static void TearDownTestSuite()
    {
        SetTestCaFile({});
        s_server.reset();
    }

    void SetUp() override
    {
        if (!s_started)
            GTEST_SKIP() << s_server->errorText().toStdString();
    }

    static inline std::unique_ptr<CaddyServer> s_server;
    static inline bool s_started = false;
};

TEST_F(InetCaddyTest, BothVersionsOfHttpOneGetTheFile)
{
    for (const QString& version : {QStringLiteral("HTTP/1.0"), QStringLiteral("HTTP/1.1")}) {
        SCOPED_TRACE(version.toStdString());
        InetTestRequest::Setup setup;
        setup.version = version;
        InetTestRequest request(s_server->url(QStringLiteral("/f.bin")), setup);
        ASSERT_TRUE(request.send()) << request.error();
        EXPECT_EQ(request.status(), 200);
        QByteArray body;
        EXPECT_TRUE(request.readAll(&body)) << request.error();
        EXPECT_EQ(body, kContent);
    }
}

} // namespace
