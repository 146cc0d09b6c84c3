// The layer's calls without a server: error mapping and texts, argument and
// handle checks, options, and the response-text protocol.
#include "InetTestRequest.h"
#include "platform/inet/CertificatePolicy.h"
#include "platform/inet/CurlError.h"

#include <gtest/gtest.h>

#include <QSet>

#include <openssl/x509_vfy.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

using namespace inet;

namespace {

TEST(InetErrorMapTest, CurlResults)
{
    struct Case
    {
        CurlFailure failure;
        DWORD error;
    };
    const Case cases[] = {
        {{CURLE_COULDNT_RESOLVE_HOST}, ERROR_INTERNET_NAME_NOT_RESOLVED},
        {{CURLE_COULDNT_RESOLVE_PROXY}, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {{CURLE_COULDNT_CONNECT}, ERROR_INTERNET_CANNOT_CONNECT},
        {{CURLE_COULDNT_CONNECT, 0, true}, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {{CURLE_PROXY}, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE},
        {{CURLE_OPERATION_TIMEDOUT}, ERROR_INTERNET_TIMEOUT},
        {{CURLE_RECV_ERROR, ECONNRESET}, ERROR_INTERNET_CONNECTION_RESET},
        {{CURLE_SEND_ERROR, EPIPE}, ERROR_INTERNET_CONNECTION_RESET},
        {{CURLE_RECV_ERROR, ETIMEDOUT}, ERROR_INTERNET_CONNECTION_ABORTED},
        {{CURLE_PARTIAL_FILE}, ERROR_INTERNET_CONNECTION_ABORTED},
        {{CURLE_WEIRD_SERVER_REPLY}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {{CURLE_GOT_NOTHING}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {{CURLE_UNSUPPORTED_PROTOCOL}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {{CURLE_SSL_CONNECT_ERROR}, ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
        {{CURLE_SSL_CACERT_BADFILE}, ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
        {{CURLE_PEER_FAILED_VERIFICATION}, ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, false, X509_V_ERR_CERT_HAS_EXPIRED}, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, false, X509_V_ERR_CERT_SIGNATURE_FAILURE}, ERROR_INTERNET_SEC_INVALID_CERT},
        {{CURLE_SSL_ISSUER_ERROR}, ERROR_INTERNET_INVALID_CA},
        {{CURLE_SSL_PINNEDPUBKEYNOTMATCH}, ERROR_INTERNET_SEC_INVALID_CERT},
        {{CURLE_SSL_CLIENTCERT}, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED},
        {{CURLE_SSL_INVALIDCERTSTATUS}, ERROR_INTERNET_SEC_CERT_REV_FAILED},
        {{CURLE_LOGIN_DENIED}, ERROR_INTERNET_LOGIN_FAILURE},
        {{CURLE_AUTH_ERROR}, ERROR_INTERNET_LOGIN_FAILURE},
        {{CURLE_ABORTED_BY_CALLBACK}, ERROR_INTERNET_OPERATION_CANCELLED},
        {{CURLE_URL_MALFORMAT}, ERROR_INTERNET_INVALID_URL},
        {{CURLE_OUT_OF_MEMORY}, ERROR_NOT_ENOUGH_MEMORY},
        {{CURLE_FAILED_INIT}, ERROR_INTERNET_INTERNAL_ERROR},
        {{CURLE_WRITE_ERROR}, ERROR_INTERNET_INTERNAL_ERROR},
        {{CURLE_RANGE_ERROR}, ERROR_INTERNET_EXTENDED_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(curl_easy_strerror(c.failure.code));
        EXPECT_EQ(InternetErrorFromCurl(c.failure), c.error);
    }
}

TEST(InetErrorMapTest, CertificateErrors)
{
    struct Case
    {
        long verifyError;
        DWORD ignoreBit;
        DWORD error;
    };
    const Case cases[] = {
        {X509_V_ERR_CERT_HAS_EXPIRED, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        {X509_V_ERR_CERT_NOT_YET_VALID, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        {X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_INVALID_CA},
        {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_INVALID_CA},
        {X509_V_ERR_INVALID_CA, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_INVALID_CA},
        {X509_V_ERR_INVALID_PURPOSE, SECURITY_FLAG_IGNORE_WRONG_USAGE, ERROR_INTERNET_SEC_INVALID_CERT},
        {X509_V_ERR_CA_MD_TOO_WEAK, SECURITY_FLAG_IGNORE_WEAK_SIGNATURE, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE},
        {X509_V_ERR_EE_KEY_TOO_SMALL, SECURITY_FLAG_IGNORE_WEAK_SIGNATURE, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE},
        {X509_V_ERR_HOSTNAME_MISMATCH, SECURITY_FLAG_IGNORE_CERT_CN_INVALID, ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {X509_V_ERR_CERT_REVOKED, SECURITY_FLAG_IGNORE_REVOCATION, ERROR_INTERNET_SEC_CERT_REVOKED},
        {X509_V_ERR_CERT_SIGNATURE_FAILURE, 0, ERROR_INTERNET_SEC_INVALID_CERT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.verifyError);
        EXPECT_EQ(CertificatePolicy::ignoreBitFor(c.verifyError), c.ignoreBit);
        EXPECT_EQ(CertificatePolicy::internetErrorFor(c.verifyError), c.error);
    }
}

TEST(InetErrorTextTest, EveryCodeHasItsOwnTextWithoutALineBreak)
{
    const DWORD codes[] = {
        ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_PARAMETER, ERROR_INSUFFICIENT_BUFFER,
        ERROR_INTERNET_TIMEOUT, ERROR_INTERNET_EXTENDED_ERROR, ERROR_INTERNET_INTERNAL_ERROR,
        ERROR_INTERNET_INVALID_URL, ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_INVALID_OPTION,
        ERROR_INTERNET_BAD_OPTION_LENGTH, ERROR_INTERNET_LOGIN_FAILURE, ERROR_INTERNET_OPERATION_CANCELLED,
        ERROR_INTERNET_INCORRECT_HANDLE_TYPE, ERROR_INTERNET_INCORRECT_HANDLE_STATE, ERROR_INTERNET_CANNOT_CONNECT,
        ERROR_INTERNET_CONNECTION_ABORTED, ERROR_INTERNET_CONNECTION_RESET, ERROR_INTERNET_SEC_CERT_DATE_INVALID,
        ERROR_INTERNET_SEC_CERT_CN_INVALID, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, ERROR_INTERNET_INVALID_CA,
        ERROR_INTERNET_SEC_CERT_REV_FAILED, ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE, ERROR_HTTP_HEADER_NOT_FOUND,
        ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_HTTP_INVALID_HEADER, ERROR_HTTP_INVALID_QUERY_REQUEST,
        ERROR_INTERNET_SECURITY_CHANNEL_ERROR, ERROR_INTERNET_PROXY_SERVER_UNREACHABLE,
        ERROR_INTERNET_SEC_INVALID_CERT, ERROR_INTERNET_SEC_CERT_REVOKED,
    };
    QSet<QString> seen;
    for (const DWORD code : codes) {
        SCOPED_TRACE(code);
        const QString text = ErrorText(code);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains(u'\n') || text.contains(u'\r'));
        EXPECT_FALSE(seen.contains(text));
        seen.insert(text);
    }
    EXPECT_EQ(ErrorText(ERROR_INTERNET_CANNOT_CONNECT), QString::fromUtf8("无法与服务器建立连接。"));
    EXPECT_TRUE(ErrorText(12156).isEmpty());
    EXPECT_TRUE(ErrorText(0).isEmpty());
}

// Refused before any network activity.
TEST(InetArgumentTest, RefusedArguments)
{
    for (const char16_t* proxy : {u"", u":8080", u"[]:80", u"host:99999", u"host:x"}) {
        EXPECT_EQ(InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_PROXY, proxy, u"", 0), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_PROXY, u"proxy.test:0", u"", 0);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(InternetConnectW(session, u"", 80, u"", u"", INTERNET_SERVICE_HTTP, 0, 1), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(InternetConnectW(session, u"h.test", 80, u"", u"", 1, 0, 1), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(InternetCloseHandle(session));

    struct Case
    {
        const char16_t* agent;
        const char16_t* version;
        const char16_t* referer;
        const char16_t* host;
        DWORD error;
    };
    const Case cases[] = {
        {u"Vandrel\r\nX-Evil: 1", u"HTTP/1.1", nullptr, u"h.test", ERROR_INVALID_PARAMETER},
        {u"Vandrel", u"HTTP/1.1\n", nullptr, u"h.test", ERROR_INVALID_PARAMETER},
        {u"Vandrel", u"HTTP/1.1", u"http://r.test/\r\nX-Evil: 1", u"h.test", ERROR_INVALID_PARAMETER},
        {u"Vandrel", u"HTTP/1.1", nullptr, u"bad host", ERROR_INTERNET_INVALID_URL},
        {u"Vandrel", u"HTTP/1.1", u"http://r.test/", u"h.test", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        HINTERNET s = InternetOpenW(c.agent, INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
        HINTERNET connect = InternetConnectW(s, c.host, 0, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
        ASSERT_NE(connect, nullptr);
        HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/a b/ü?x=1", c.version, c.referer, nullptr, 0, 1);
        EXPECT_EQ(request == nullptr, c.error != 0);
        if (!request) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        for (HINTERNET handle : {request, connect, s}) {
            if (handle)
                InternetCloseHandle(handle);
        }
    }
}

TEST(InetHandleTest, UnknownClosedAndWrongHandles)
{
    EXPECT_FALSE(InternetCloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
    HINTERNET connect = InternetConnectW(session, u"127.0.0.1", 9, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
    HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1);
    ASSERT_NE(request, nullptr);

    EXPECT_FALSE(HttpSendRequestW(session, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    char16_t text[16];
    DWORD length = sizeof text;
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    DWORD got = 0;
    EXPECT_FALSE(InternetReadFile(request, text, sizeof text, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    // Port 9 on loopback refuses; the handle has been used all the same.
    EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);

    // The session goes first; the request keeps what it needs alive.
    EXPECT_TRUE(InternetCloseHandle(session));
    EXPECT_FALSE(InternetCloseHandle(session));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(InternetCloseHandle(request));
    EXPECT_TRUE(InternetCloseHandle(connect));
}

// A read remembers the request it looked up last; once that request is closed,
// here or on another thread, the handle is unknown to the next read.
TEST(InetHandleTest, AReadAfterACloseFindsNoRequest)
{
    HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
    HINTERNET connect = InternetConnectW(session, u"127.0.0.1", 9, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
    char buffer[16];
    DWORD got = 0;
    for (bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere);
        HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1);
        ASSERT_NE(request, nullptr);
        EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        if (elsewhere)
            std::thread([request] { EXPECT_TRUE(InternetCloseHandle(request)); }).join();
        else
            EXPECT_TRUE(InternetCloseHandle(request));
        EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_FALSE(InternetReadFile(connect, buffer, sizeof buffer, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    EXPECT_TRUE(InternetCloseHandle(connect));
    EXPECT_TRUE(InternetCloseHandle(session));
}

// Each call takes only its own kind of handle, and every kind answers the
// option calls.
TEST(InetHandleTest, EveryCallChecksTheHandleKind)
{
    HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
    HINTERNET connect = InternetConnectW(session, u"127.0.0.1", 9, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
    HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1);
    ASSERT_NE(request, nullptr);
    for (HINTERNET wrong : {connect, request}) {
        EXPECT_EQ(InternetConnectW(wrong, u"h.test", 0, u"", u"", INTERNET_SERVICE_HTTP, 0, 1), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    }
    for (HINTERNET wrong : {session, request}) {
        EXPECT_EQ(HttpOpenRequestW(wrong, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    }
    char buffer[16];
    for (HINTERNET wrong : {session, connect}) {
        DWORD got = 0;
        EXPECT_FALSE(InternetReadFile(wrong, buffer, sizeof buffer, &got));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        EXPECT_FALSE(HttpAddRequestHeadersW(wrong, u"A: b\r\n", DWORD(-1), HTTP_ADDREQ_FLAG_ADD));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    }
    for (HINTERNET handle : {session, connect, request}) {
        DWORD value = 0;
        DWORD length = sizeof value;
        EXPECT_TRUE(InternetQueryOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, &length));
    }
    for (HINTERNET handle : {request, connect, session})
        EXPECT_TRUE(InternetCloseHandle(handle));
}

// Lookups, opens and closes on many threads at once: each thread's handles stay
// valid and of their kind until it closes them.
TEST(InetHandleTest, ConcurrentLookupsAndCloses)
{
    constexpr int kThreads = 8;
    constexpr int kRounds = 200;
    std::vector<std::thread> threads;
    std::atomic<int> faults{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&faults] {
            for (int round = 0; round < kRounds; ++round) {
                HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
                HINTERNET connect = InternetConnectW(session, u"127.0.0.1", 9, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
                HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1);
                char buffer[16];
                DWORD got = 0;
                if (!request || InternetReadFile(request, buffer, sizeof buffer, &got)
                    || GetLastError() != ERROR_INTERNET_INCORRECT_HANDLE_STATE)
                    ++faults;
                for (HINTERNET handle : {request, connect, session}) {
                    if (!InternetCloseHandle(handle))
                        ++faults;
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(faults, 0);
}

DWORD queryDword(HINTERNET handle, DWORD option)
{
    DWORD value = 0;
    DWORD length = sizeof value;
    EXPECT_TRUE(InternetQueryOptionW(handle, option, &value, &length));
    return value;
}

TEST(InetOptionTest, DefaultsInheritanceAndSizes)
{
    HINTERNET session = InternetOpenW(u"Vandrel", INTERNET_OPEN_TYPE_PRECONFIG, u"", u"", 0);
    EXPECT_EQ(queryDword(session, INTERNET_OPTION_CONNECT_TIMEOUT), 60000u);
    EXPECT_EQ(queryDword(session, INTERNET_OPTION_CONNECT_RETRIES), 5u);
    EXPECT_EQ(queryDword(session, INTERNET_OPTION_SEND_TIMEOUT), 30000u);
    EXPECT_EQ(queryDword(session, INTERNET_OPTION_RECEIVE_TIMEOUT), 30000u);
    HINTERNET connect = InternetConnectW(session, u"h.test", 0, u"", u"", INTERNET_SERVICE_HTTP, 0, 1);
    const DWORD retries = 2;
    ASSERT_TRUE(InternetSetOptionW(connect, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries));
    const QString user = QStringLiteral("pu");
    EXPECT_TRUE(InternetSetOptionW(connect, INTERNET_OPTION_PROXY_USERNAME, units(user), DWORD(user.size() + 1)));
    HINTERNET request = HttpOpenRequestW(connect, u"GET", u"/", u"HTTP/1.1", nullptr, nullptr, 0, 1);
    EXPECT_EQ(queryDword(request, INTERNET_OPTION_CONNECT_RETRIES), 2u);
    EXPECT_EQ(queryDword(request, INTERNET_OPTION_SECURITY_FLAGS), 0u);
    const DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    ASSERT_TRUE(InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags));
    EXPECT_EQ(queryDword(request, INTERNET_OPTION_SECURITY_FLAGS), flags);

    DWORD value = 0;
    DWORD length = 2;
    EXPECT_FALSE(InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &value, &length));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 4u);
    EXPECT_FALSE(InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, 2));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_BAD_OPTION_LENGTH);
    EXPECT_FALSE(InternetSetOptionW(request, 9999, &value, sizeof value));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INVALID_OPTION);
    EXPECT_FALSE(InternetSetOptionW(connect, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);

    // The URL is a text, sized as the header texts are; before sending, the one opened.
    const QString url = QStringLiteral("http://h.test/");
    length = 0;
    EXPECT_FALSE(InternetQueryOptionW(request, INTERNET_OPTION_URL, nullptr, &length));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, DWORD(url.size() + 1) * 2);
    char16_t text[32];
    length = sizeof text;
    ASSERT_TRUE(InternetQueryOptionW(request, INTERNET_OPTION_URL, text, &length));
    EXPECT_EQ(QString::fromUtf16(text, length / 2), url);
    length = sizeof text;
    EXPECT_FALSE(InternetQueryOptionW(connect, INTERNET_OPTION_URL, text, &length));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    const DWORD limit = 64;
    for (const DWORD option : {INTERNET_OPTION_MAX_CONNS_PER_SERVER, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER,
                               INTERNET_OPTION_MAX_CONNS_PER_PROXY})
        EXPECT_TRUE(InternetSetOptionW(nullptr, option, &limit, sizeof limit));
    for (HINTERNET handle : {request, connect, session})
        InternetCloseHandle(handle);
}

TEST(InetResponseInfoTest, LengthsAndThreads)
{
    DWORD error = 99;
    DWORD length = 99;
    SetThreadResponseInfoForTest({});
    EXPECT_TRUE(InternetGetLastResponseInfoW(&error, nullptr, &length));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(error, 0u);

    SetThreadResponseInfoForTest(QStringLiteral("libcurl: gone"), 33);
    length = 0;
    EXPECT_FALSE(InternetGetLastResponseInfoW(&error, nullptr, &length));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 14u);
    char16_t buffer[14];
    length = 13;
    EXPECT_FALSE(InternetGetLastResponseInfoW(&error, buffer, &length));
    length = 14;
    ASSERT_TRUE(InternetGetLastResponseInfoW(&error, buffer, &length));
    EXPECT_EQ(length, 13u);
    EXPECT_EQ(error, 33u);
    EXPECT_EQ(std::u16string(buffer), u"libcurl: gone");

    std::thread other([] {
        DWORD e = 0;
        DWORD l = 5;
        EXPECT_TRUE(InternetGetLastResponseInfoW(&e, nullptr, &l));
        EXPECT_EQ(l, 0u);
    });
    other.join();
    SetThreadResponseInfoForTest({});
}

} // namespace
