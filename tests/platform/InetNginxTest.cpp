// The layer against a real nginx: methods, ranges, redirects and the headers the
// engine reads.
#include "InetTestRequest.h"
#include "platform/inet/BodyReader.h"
#include "platform/SystemTime.h"
#include "support/NginxServer.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <memory>

using namespace inet;

namespace {

constexpr qsizetype kLargeSize = 600000; // well past the layer's pause mark
constexpr qint64 kLastModified = 1704164645; // Tue, 02 Jan 2024 03:04:05 GMT

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + (i >> 8)) & 0xFF);
    return bytes;
}

class InetNginxTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<NginxServer>();
        for (const char* location : {
                 "location = /r301 { return 301 /small.bin$is_args$args; }",
                 "location = /r302 { return 302 /small.bin$is_args$args; }",
                 "location = /r307 { return 307 /small.bin$is_args$args; }",
                 "location = /rel302 { absolute_redirect off; return 302 /small.bin$is_args$args; }",
                 "location = /dir/relpath { absolute_redirect off; return 302 ../small.bin$is_args$args; }",
                 "location = /loop { return 302 /loop; }",
                 "location = /norange.bin { max_ranges 0; }",
                 "location = /report { add_header Content-Disposition 'attachment; filename=\"report.pdf\"'; "
                 "try_files /small.bin =404; }",
                 "location = /nodate { return 200 'x'; }",
             })
            s_server->addLocation(QString::fromLatin1(location));
        s_started = s_server->start();
        s_server->putFile(QStringLiteral("large.bin"), pattern(kLargeSize));
        s_server->putFile(QStringLiteral("small.bin"), pattern(1000));
        s_server->putFile(QStringLiteral("norange.bin"), pattern(1000));
        QFile dated(s_server->root() + QStringLiteral("/small.bin"));
        dated.open(QIODevice::ReadWrite);
        dated.setFileTime(QDateTime::fromSecsSinceEpoch(kLastModified, QTimeZone::utc()),
                          QFileDevice::FileModificationTime);
    }

    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override { ASSERT_TRUE(s_started) << s_server->errorText().toStdString(); }

    static inline std::unique_ptr<NginxServer> s_server;
    static inline bool s_started = false;
};

// Reads of every size get the whole body, also past the point where the layer
// pauses libcurl and when one read is larger than that mark.
TEST_F(InetNginxTest, GetDeliversTheWholeBodyWhateverTheReadSize)
{
    for (const DWORD piece : {DWORD(64), DWORD(16384), DWORD(1 << 20)}) {
        SCOPED_TRACE(piece);
        InetTestRequest request(s_server->url(QStringLiteral("/large.bin")));
        ASSERT_TRUE(request.send()) << request.error();
        EXPECT_EQ(request.status(), 200);
        EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_LENGTH), QString::number(kLargeSize));
        EXPECT_EQ(request.header(HTTP_QUERY_ACCEPT_RANGES), u"bytes");
        EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_TYPE), u"application/octet-stream");
        QByteArray body;
        ASSERT_TRUE(request.readAll(&body, piece)) << request.error();
        EXPECT_EQ(body, pattern(kLargeSize));
    }
}

// A read returns fewer bytes than asked only at the end of the body.
TEST_F(InetNginxTest, ReadsFillTheBufferUntilTheEnd)
{
    InetTestRequest request(s_server->url(QStringLiteral("/small.bin")));
    ASSERT_TRUE(request.send());
    char buffer[300];
    DWORD got = 0;
    QList<DWORD> sizes;
    do {
        ASSERT_TRUE(InternetReadFile(request.handle(), buffer, sizeof buffer, &got));
        sizes.append(got);
    } while (got);
    EXPECT_EQ(sizes, (QList<DWORD>{300, 300, 300, 100, 0}));
}

TEST_F(InetNginxTest, RequestLineAndHeadersOnTheWire)
{
    InetTestRequest::Setup setup;
    setup.version = QStringLiteral("HTTP/1.0");
    setup.referer = QStringLiteral("http://example.test/from");
    InetTestRequest request(s_server->url(QStringLiteral("/small.bin?wire=1")), setup);
    ASSERT_TRUE(request.send());
    const QList<NginxServer::LogEntry> log = s_server->accessLogFor(QStringLiteral("/small.bin?wire=1"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].request, u"GET /small.bin?wire=1 HTTP/1.0");
    EXPECT_EQ(log[0].userAgent, u"Vandrel");
    EXPECT_EQ(log[0].referer, u"http://example.test/from");
    EXPECT_TRUE(log[0].range.isEmpty());
}

// Spaces and non-ASCII characters in an object are encoded as UTF-8 escapes.
TEST_F(InetNginxTest, RawObjectsAreEncodedForTheWire)
{
    s_server->putFile(QString::fromUtf8("dir x/ü.bin"), "encoded");
    InetTestRequest::Setup setup;
    setup.object = QString::fromUtf8("/dir x/ü.bin?a=b c");
    InetTestRequest request(s_server->url({}), setup);
    ASSERT_TRUE(request.send()) << request.error();
    EXPECT_EQ(request.status(), 200);
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body));
    EXPECT_EQ(body, "encoded");
    EXPECT_EQ(s_server->accessLogFor(QStringLiteral("/dir%20x/%C3%BC.bin?a=b%20c")).size(), 1);
}

TEST_F(InetNginxTest, HeadGivesTheHeadersAndAnEmptyBody)
{
    InetTestRequest::Setup setup;
    setup.verb = QStringLiteral("HEAD");
    InetTestRequest request(s_server->url(QStringLiteral("/large.bin?head=1")), setup);
    ASSERT_TRUE(request.send()) << request.error();
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_LENGTH), QString::number(kLargeSize));
    QByteArray body;
    EXPECT_TRUE(request.readAll(&body));
    EXPECT_TRUE(body.isEmpty());
    const QList<NginxServer::LogEntry> log = s_server->accessLogFor(QStringLiteral("/large.bin?head=1"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].request.startsWith(u"HEAD "));
}

TEST_F(InetNginxTest, RangeGoesAsARawHeader)
{
    InetTestRequest::Setup setup;
    setup.headers = {QStringLiteral("Range: bytes=100-199")};
    InetTestRequest request(s_server->url(QStringLiteral("/large.bin?range=1")), setup);
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.status(), 206);
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_LENGTH), u"100");
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body));
    EXPECT_EQ(body, pattern(kLargeSize).mid(100, 100));
    const QList<NginxServer::LogEntry> log = s_server->accessLogFor(QStringLiteral("/large.bin?range=1"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].range, u"bytes=100-199");
}

// libcurl must not interpret the range: a server that ignores it answers 200
// with the whole body, and the caller sees exactly that.
TEST_F(InetNginxTest, AWholeAnswerToARangeReachesTheCaller)
{
    InetTestRequest::Setup setup;
    setup.headers = {QStringLiteral("Range: bytes=100-199")};
    InetTestRequest request(s_server->url(QStringLiteral("/norange.bin")), setup);
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_LENGTH), u"1000");
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body));
    EXPECT_EQ(body, pattern(1000));
}

TEST_F(InetNginxTest, RedirectsAreFollowedWithTheRangeOnEveryHop)
{
    for (const char* path : {"/r301", "/r302", "/r307", "/rel302", "/dir/relpath"}) {
        SCOPED_TRACE(path);
        InetTestRequest::Setup setup;
        setup.headers = {QStringLiteral("Range: bytes=0-9")};
        const QString query = u"?from="_qs + QString::fromLatin1(path).section(u'/', -1);
        InetTestRequest request(s_server->url(QString::fromLatin1(path) + query), setup);
        ASSERT_TRUE(request.send()) << request.error();
        EXPECT_EQ(request.status(), 206);
        QByteArray body;
        ASSERT_TRUE(request.readAll(&body));
        EXPECT_EQ(body, pattern(10));
        const QList<NginxServer::LogEntry> first = s_server->accessLogFor(QString::fromLatin1(path) + query);
        const QList<NginxServer::LogEntry> second = s_server->accessLogFor(u"/small.bin"_qs + query);
        ASSERT_EQ(first.size(), 1);
        ASSERT_EQ(second.size(), 1);
        EXPECT_EQ(first[0].range, u"bytes=0-9");
        EXPECT_EQ(second[0].range, u"bytes=0-9");
    }
}

// With NO_AUTO_REDIRECT the 3xx itself is the answer, its Location as sent.
TEST_F(InetNginxTest, NoAutoRedirectHandsBackTheRedirect)
{
    struct Case
    {
        const char* path;
        int status;
        QString location;
    };
    const Case cases[] = {
        {"/r301", 301, s_server->url(QStringLiteral("/small.bin"))},
        {"/r307", 307, s_server->url(QStringLiteral("/small.bin"))},
        {"/rel302", 302, QStringLiteral("/small.bin")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        InetTestRequest::Setup setup;
        setup.flags = INTERNET_FLAG_NO_AUTO_REDIRECT;
        const QString url = s_server->url(QString::fromLatin1(c.path));
        InetTestRequest request(url, setup);
        ASSERT_TRUE(request.send());
        EXPECT_EQ(request.status(), c.status);
        EXPECT_EQ(request.header(HTTP_QUERY_LOCATION), c.location);
        EXPECT_EQ(request.answeredUrl(), url);
    }
}

// After ten hops the layer stops following and hands the eleventh 3xx back.
TEST_F(InetNginxTest, RedirectHopsAreLimited)
{
    InetTestRequest request(s_server->url(QStringLiteral("/loop")));
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.status(), 302);
    EXPECT_EQ(s_server->accessLogFor(QStringLiteral("/loop"), 11).size(), 11);
}

TEST_F(InetNginxTest, ContentDispositionAndLastModified)
{
    InetTestRequest request(s_server->url(QStringLiteral("/report")));
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_DISPOSITION), u"attachment; filename=\"report.pdf\"");
    EXPECT_EQ(request.header(HTTP_QUERY_LAST_MODIFIED), u"Tue, 02 Jan 2024 03:04:05 GMT");
    SYSTEMTIME time;
    DWORD length = sizeof time;
    ASSERT_TRUE(HttpQueryInfoW(request.handle(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &time,
                               &length, nullptr));
    EXPECT_EQ(length, 16u);
    EXPECT_EQ(time, (SYSTEMTIME{2024, 1, 2, 2, 3, 4, 5, 0}));
}

TEST_F(InetNginxTest, MissingHeadersAreNotFound)
{
    InetTestRequest request(s_server->url(QStringLiteral("/nodate")));
    ASSERT_TRUE(request.send());
    for (const DWORD level : {HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, HTTP_QUERY_LOCATION,
                              HTTP_QUERY_CONTENT_DISPOSITION}) {
        SCOPED_TRACE(level);
        char buffer[64];
        DWORD length = sizeof buffer;
        EXPECT_FALSE(HttpQueryInfoW(request.handle(), level, buffer, &length, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
        EXPECT_EQ(length, sizeof buffer);
    }
}

TEST_F(InetNginxTest, NotFoundIsAnAnswer)
{
    InetTestRequest request(s_server->url(QStringLiteral("/missing.bin")));
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.status(), 404);
}

// The two-call protocol that the engine's header reads rely on.
TEST_F(InetNginxTest, QueryReportsTheSizeItNeeds)
{
    InetTestRequest request(s_server->url(QStringLiteral("/small.bin")));
    ASSERT_TRUE(request.send());
    DWORD length = 0;
    EXPECT_FALSE(HttpQueryInfoW(request.handle(), HTTP_QUERY_ACCEPT_RANGES, nullptr, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 12u); // "bytes" and its NUL
    char16_t small[5];
    length = sizeof small;
    EXPECT_FALSE(HttpQueryInfoW(request.handle(), HTTP_QUERY_ACCEPT_RANGES, small, &length, nullptr));
    EXPECT_EQ(length, 12u);
    char16_t exact[6];
    length = sizeof exact;
    ASSERT_TRUE(HttpQueryInfoW(request.handle(), HTTP_QUERY_ACCEPT_RANGES, exact, &length, nullptr));
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(std::u16string(exact), u"bytes");
    SYSTEMTIME time;
    length = 15;
    EXPECT_FALSE(HttpQueryInfoW(request.handle(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &time,
                                &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 16u);
    length = sizeof exact;
    EXPECT_FALSE(HttpQueryInfoW(request.handle(), 77, exact, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HTTP_INVALID_QUERY_REQUEST);
}


// Reads the body through a reader that keeps its bytes, as a section does: the
// kept bytes are taken when the buffer is full and also early, every few reads,
// while bytes not yet read are still buffered.
QByteArray readKept(BodyReader& reader, DWORD piece, size_t capacity, int renewEvery, DWORD* error)
{
    QByteArray body;
    qsizetype kept = 0;
    const auto takeKept = [&] {
        body.append(reader.kept(), kept);
        kept = 0;
        EXPECT_TRUE(reader.renew(capacity));
    };
    takeKept();
    for (int reads = 1;; ++reads) {
        DWORD got = 0;
        if (!reader.read(piece, &got)) {
            *error = GetLastError();
            if (*error != ERROR_INSUFFICIENT_BUFFER || kept == 0)
                return body;
            takeKept();
            continue;
        }
        if (got == 0)
            break;
        kept += got;
        if (reads % renewEvery == 0)
            takeKept();
    }
    takeKept();
    *error = 0;
    return body;
}

// Kept reads hand out the whole body in order, whether the buffer is smaller or
// larger than what libcurl delivers at once and than one read.
TEST_F(InetNginxTest, KeptReadsDeliverTheWholeBodyAcrossRenewals)
{
    struct Case
    {
        DWORD piece;
        size_t capacity;
        int renewEvery;
    };
    for (const Case& c : {Case{64, 4096, 1 << 30}, Case{64, 256 * 1024, 1 << 30}, Case{1000, 300 * 1024, 7},
                          Case{1 << 20, 256 * 1024, 1 << 30}, Case{4096, 1 << 20, 3}}) {
        SCOPED_TRACE(testing::Message() << c.piece << " " << c.capacity << " " << c.renewEvery);
        InetTestRequest request(s_server->url(QStringLiteral("/large.bin")));
        ASSERT_TRUE(request.send()) << request.error();
        BodyReader reader(request.handle());
        DWORD error = 0;
        EXPECT_EQ(readKept(reader, c.piece, c.capacity, c.renewEvery, &error), pattern(kLargeSize));
        EXPECT_EQ(error, 0u);
    }
}

// Once the reader is gone, plain reads take over where it stopped.
TEST_F(InetNginxTest, PlainReadsFollowAReaderWithoutLosingBytes)
{
    InetTestRequest request(s_server->url(QStringLiteral("/large.bin")));
    ASSERT_TRUE(request.send());
    QByteArray body;
    {
        BodyReader reader(request.handle());
        ASSERT_TRUE(reader.renew(100 * 1024));
        DWORD got = 0;
        while (body.size() < 50000 && reader.read(4096, &got) && got)
            body.append(reader.kept() + body.size(), got);
    }
    QByteArray rest;
    ASSERT_TRUE(request.readAll(&rest, 3000)) << request.error();
    EXPECT_EQ(body + rest, pattern(kLargeSize));
}

TEST_F(InetNginxTest, AReaderNeedsASentRequest)
{
    InetTestRequest request(s_server->url(QStringLiteral("/small.bin")));
    DWORD got = 1;
    BodyReader unsent(request.handle());
    EXPECT_FALSE(unsent.read(64, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_EQ(got, 0u);
    BodyReader closed(reinterpret_cast<HINTERNET>(0x7fff0001));
    EXPECT_FALSE(closed.read(64, &got));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
