#include "platform/inet/CertificatePolicy.h"

#include <openssl/ssl.h>

#include <initializer_list>
#include <mutex>

namespace inet {

namespace {

struct ErrorKind
{
    std::initializer_list<long> verifyErrors;
    DWORD ignoreBit;
    DWORD internetError;
};

const ErrorKind kKinds[] = {
    {{X509_V_ERR_CERT_NOT_YET_VALID, X509_V_ERR_CERT_HAS_EXPIRED},
     SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
    {{X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
      X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
      X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE, X509_V_ERR_CERT_UNTRUSTED, X509_V_ERR_CERT_REJECTED,
      X509_V_ERR_INVALID_CA},
     SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_INVALID_CA},
    {{X509_V_ERR_INVALID_PURPOSE}, SECURITY_FLAG_IGNORE_WRONG_USAGE, ERROR_INTERNET_SEC_INVALID_CERT},
    {{X509_V_ERR_EE_KEY_TOO_SMALL, X509_V_ERR_CA_KEY_TOO_SMALL, X509_V_ERR_CA_MD_TOO_WEAK},
     SECURITY_FLAG_IGNORE_WEAK_SIGNATURE, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE},
    {{X509_V_ERR_HOSTNAME_MISMATCH, X509_V_ERR_IP_ADDRESS_MISMATCH},
     SECURITY_FLAG_IGNORE_CERT_CN_INVALID, ERROR_INTERNET_SEC_CERT_CN_INVALID},
    // No revocation lists are loaded, so this cannot arise; kept for the flag's sake.
    {{X509_V_ERR_CERT_REVOKED}, SECURITY_FLAG_IGNORE_REVOCATION, ERROR_INTERNET_SEC_CERT_REVOKED},
};

const ErrorKind* kindOf(long verifyError)
{
    for (const ErrorKind& kind : kKinds) {
        for (const long error : kind.verifyErrors) {
            if (error == verifyError)
                return &kind;
        }
    }
    return nullptr;
}

int policyIndex()
{
    static std::once_flag once;
    static int index = -1;
    std::call_once(once, [] { index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr); });
    return index;
}

} // namespace

DWORD CertificatePolicy::ignoreBitFor(long verifyError)
{
    const ErrorKind* kind = kindOf(verifyError);
    return kind ? kind->ignoreBit : 0;
}

DWORD CertificatePolicy::internetErrorFor(long verifyError)
{
    const ErrorKind* kind = kindOf(verifyError);
    return kind ? kind->internetError : ERROR_INTERNET_SEC_INVALID_CERT;
}

CURLcode CertificatePolicy::onSslContext(CURL*, void* sslContext, void* policy)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    auto* self = static_cast<CertificatePolicy*>(policy);
    if (SSL_CTX_set_ex_data(context, policyIndex(), self) != 1)
        return CURLE_SSL_CONNECT_ERROR;
    // libcurl has installed its own verify mode before calling us, so this one wins.
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, onVerify);
    // OpenSSL's default level refuses SHA-1 signatures and short keys outright.
    if (self->m_flags & SECURITY_FLAG_IGNORE_WEAK_SIGNATURE)
        SSL_CTX_set_security_level(context, 0);
    return CURLE_OK;
}

int CertificatePolicy::onVerify(int preverified, X509_STORE_CTX* store)
{
    if (preverified)
        return 1;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* self = ssl ? static_cast<CertificatePolicy*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), policyIndex()))
                     : nullptr;
    const long error = X509_STORE_CTX_get_error(store);
    if (!self)
        return 0;
    const DWORD bit = ignoreBitFor(error);
    if (bit && (self->m_flags & bit)) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    if (!self->m_refused)
        self->m_refused = error;
    return 0;
}

} // namespace inet
