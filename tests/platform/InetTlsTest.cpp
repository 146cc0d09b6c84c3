// Certificate tolerance, kind by kind, against nginx serving one certificate per port.
#include "InetTestRequest.h"
#include "support/NginxServer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace inet;

namespace {

using Cert = NginxServer::Cert;

constexpr DWORD kAllIgnoreBits = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION
                               | SECURITY_FLAG_IGNORE_WEAK_SIGNATURE | SECURITY_FLAG_IGNORE_WRONG_USAGE
                               | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

class InetTlsTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<NginxServer>();
        s_started = s_server->start();
        s_server->putFile(QStringLiteral("f.bin"), QByteArray("secure"));
        SetTestCaFile(NginxServer::caFile());
    }

    static void TearDownTestSuite()
    {
        SetTestCaFile({});
        s_server.reset();
    }

    void SetUp() override { ASSERT_TRUE(s_started) << s_server->errorText().toStdString(); }

    // 0 when the request got its answer, else the send's error.
    static DWORD fetch(Cert cert, DWORD securityFlags)
    {
        InetTestRequest::Setup setup;
        setup.securityFlags = securityFlags;
        InetTestRequest request(s_server->httpsUrl(cert, QStringLiteral("/f.bin")), setup);
        if (!request.send())
            return request.error();
        QByteArray body;
        EXPECT_TRUE(request.readAll(&body));
        EXPECT_EQ(body, "secure");
        return 0;
    }

    static inline std::unique_ptr<NginxServer> s_server;
    static inline bool s_started = false;
};

TEST_F(InetTlsTest, ATrustedCertificateNeedsNoFlag)
{
    EXPECT_EQ(fetch(Cert::Trusted, 0), 0u);
}

// Each bit forgives its own kind of error and no other.
TEST_F(InetTlsTest, EachFlagForgivesOnlyItsOwnKind)
{
    struct Case
    {
        Cert cert;
        DWORD flag;
        DWORD error;
    };
    const Case cases[] = {
        {Cert::SelfSigned, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_INVALID_CA},
        {Cert::WrongHost, SECURITY_FLAG_IGNORE_CERT_CN_INVALID, ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {Cert::Expired, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        {Cert::ClientAuthOnly, SECURITY_FLAG_IGNORE_WRONG_USAGE, ERROR_INTERNET_SEC_INVALID_CERT},
        {Cert::Sha1, SECURITY_FLAG_IGNORE_WEAK_SIGNATURE, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.cert));
        EXPECT_EQ(fetch(c.cert, 0), c.error);
        EXPECT_EQ(fetch(c.cert, kAllIgnoreBits & ~c.flag), c.error);
        EXPECT_EQ(fetch(c.cert, c.flag), 0u);
    }
}

TEST_F(InetTlsTest, WithoutTheTestAuthorityTheIssuerIsUnknown)
{
    SetTestCaFile({});
    EXPECT_EQ(fetch(Cert::Trusted, 0), ERROR_INTERNET_INVALID_CA);
    SetTestCaFile(NginxServer::caFile());
}

} // namespace
