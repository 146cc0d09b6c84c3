#include "platform/inet/CurlError.h"

#include "platform/inet/CertificatePolicy.h"

#include <cerrno>
#include <initializer_list>

namespace inet {

namespace {

struct Row
{
    std::initializer_list<CURLcode> codes;
    DWORD error;
};

// Results whose code does not depend on anything else.
const Row kFixed[] = {
    {{CURLE_UNSUPPORTED_PROTOCOL, CURLE_WEIRD_SERVER_REPLY, CURLE_HTTP2, CURLE_GOT_NOTHING,
      CURLE_HTTP2_STREAM, CURLE_HTTP3},
     ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {{CURLE_FAILED_INIT, CURLE_NOT_BUILT_IN, CURLE_WRITE_ERROR, CURLE_BAD_FUNCTION_ARGUMENT,
      CURLE_UNKNOWN_OPTION, CURLE_SETOPT_OPTION_SYNTAX, CURLE_FILESIZE_EXCEEDED, CURLE_AGAIN,
      CURLE_RECURSIVE_API_CALL, CURLE_UNRECOVERABLE_POLL},
     ERROR_INTERNET_INTERNAL_ERROR},
    {{CURLE_URL_MALFORMAT}, ERROR_INTERNET_INVALID_URL},
    {{CURLE_COULDNT_RESOLVE_PROXY, CURLE_PROXY}, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
    {{CURLE_COULDNT_RESOLVE_HOST}, ERROR_INTERNET_NAME_NOT_RESOLVED},
    {{CURLE_PARTIAL_FILE, CURLE_SEND_FAIL_REWIND}, ERROR_INTERNET_CONNECTION_ABORTED},
    {{CURLE_OUT_OF_MEMORY}, ERROR_NOT_ENOUGH_MEMORY},
    {{CURLE_OPERATION_TIMEDOUT}, ERROR_INTERNET_TIMEOUT},
    {{CURLE_SSL_CONNECT_ERROR, CURLE_SSL_ENGINE_NOTFOUND, CURLE_SSL_ENGINE_SETFAILED,
      CURLE_SSL_CERTPROBLEM, CURLE_SSL_CIPHER, CURLE_USE_SSL_FAILED, CURLE_SSL_ENGINE_INITFAILED,
      CURLE_SSL_CACERT_BADFILE, CURLE_SSL_SHUTDOWN_FAILED, CURLE_SSL_CRL_BADFILE},
     ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
    {{CURLE_ABORTED_BY_CALLBACK}, ERROR_INTERNET_OPERATION_CANCELLED},
    {{CURLE_LOGIN_DENIED, CURLE_AUTH_ERROR}, ERROR_INTERNET_LOGIN_FAILURE},
    {{CURLE_SSL_ISSUER_ERROR}, ERROR_INTERNET_INVALID_CA},
    {{CURLE_SSL_PINNEDPUBKEYNOTMATCH}, ERROR_INTERNET_SEC_INVALID_CERT},
    {{CURLE_SSL_INVALIDCERTSTATUS}, ERROR_INTERNET_SEC_CERT_REV_FAILED},
    {{CURLE_SSL_CLIENTCERT}, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED},
};

} // namespace

DWORD InternetErrorFromCurl(const CurlFailure& failure)
{
    switch (failure.code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_INTERFACE_FAILED:
    case CURLE_NO_CONNECTION_AVAILABLE:
        // Through a proxy the only connection made is the one to the proxy.
        return failure.viaProxy ? ERROR_INTERNET_PROXY_SERVER_UNREACHABLE : ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return failure.osErrno == ECONNRESET || failure.osErrno == EPIPE ? ERROR_INTERNET_CONNECTION_RESET
                                                                         : ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_PEER_FAILED_VERIFICATION:
        // A chain we accepted can still fail libcurl's own host name check.
        return failure.refusedCertificateError
                   ? CertificatePolicy::internetErrorFor(failure.refusedCertificateError)
                   : ERROR_INTERNET_SEC_CERT_CN_INVALID;
    default:
        break;
    }
    for (const Row& row : kFixed) {
        for (const CURLcode code : row.codes) {
            if (code == failure.code)
                return row.error;
        }
    }
    return ERROR_INTERNET_EXTENDED_ERROR;
}

} // namespace inet
