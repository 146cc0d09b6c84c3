#pragma once

#include "platform/inet/Inet.h"

#include <curl/curl.h>
#include <openssl/x509.h>

namespace inet {

// Which certificate errors one request forgives, kind by kind (the
// SECURITY_FLAG_IGNORE_* bits), through an OpenSSL verify callback that libcurl's
// OpenSSL backend lets us install on each new TLS context.
class CertificatePolicy
{
public:
    void setSecurityFlags(DWORD flags) { m_flags = flags; }
    bool ignoresNameMismatch() const { return m_flags & SECURITY_FLAG_IGNORE_CERT_CN_INVALID; }

    // The chain error the callback refused in the last handshake, 0 when none.
    long refusedError() const { return m_refused; }
    void clearRefusal() { m_refused = 0; }

    // For CURLOPT_SSL_CTX_FUNCTION, with the policy as CURLOPT_SSL_CTX_DATA.
    static CURLcode onSslContext(CURL* easy, void* sslContext, void* policy);

    // The ignore bit that forgives an OpenSSL verify error (0 when none does),
    // and the WinINet code the error gives when it is not forgiven.
    static DWORD ignoreBitFor(long verifyError);
    static DWORD internetErrorFor(long verifyError);

private:
    static int onVerify(int preverified, X509_STORE_CTX* store);

    DWORD m_flags = 0;
    long m_refused = 0;
};

} // namespace inet
