// The layer against answers a real server will not give: slow, stalled, cut
// short, reset, malformed; relative redirects; server credentials; cancellation.
#include "InetTestRequest.h"
#include "platform/ManualResetEvent.h"
#include "support/FaultServer.h"
#include "support/PollUntil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>
#include <thread>

using namespace inet;
using F = FaultServer;

namespace {

constexpr DWORD kShortIdleMs = 300;
constexpr qint64 kGenerousMs = 2000; // a bound that catches hangs, not a speed check

InetTestRequest::Setup idleLimit(DWORD ms)
{
    InetTestRequest::Setup setup;
    setup.receiveTimeout = ms;
    return setup;
}

TEST(InetFaultTest, NoAnswerWithinTheReceiveTimeoutTimesOut)
{
    F server([](const F::Request&) { return F::Script{F::stall()}; });
    InetTestRequest request(server.url(QStringLiteral("/f")), idleLimit(kShortIdleMs));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(request.send());
    EXPECT_EQ(request.error(), ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(timer.elapsed(), kGenerousMs);
}

// The bytes that came before the body stalled are handed out, then the time-out.
TEST(InetFaultTest, AStalledBodyTimesOutAfterWhatCame)
{
    F server([](const F::Request&) {
        return F::Script{F::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc"), F::stall()};
    });
    InetTestRequest request(server.url(QStringLiteral("/f")), idleLimit(kShortIdleMs));
    ASSERT_TRUE(request.send());
    QByteArray body;
    EXPECT_FALSE(request.readAll(&body));
    EXPECT_EQ(request.error(), ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(body, "abc");
}

// The receive time-out limits the silence between bytes, not the whole transfer.
TEST(InetFaultTest, ASlowButSteadyAnswerCompletes)
{
    F server([](const F::Request&) {
        F::Script script{F::wait(150), F::send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n")};
        for (const char* piece : {"a", "b", "c", "d", "e"})
            script << F::wait(150) << F::send(piece);
        return script;
    });
    InetTestRequest request(server.url(QStringLiteral("/f")), idleLimit(kShortIdleMs));
    ASSERT_TRUE(request.send()) << request.error();
    QByteArray body;
    ASSERT_TRUE(request.readAll(&body)) << request.error();
    EXPECT_EQ(body, "abcde");
}

TEST(InetFaultTest, BrokenConnections)
{
    struct Case
    {
        const char* name;
        F::Script script;
        DWORD sendError; // 0: the send succeeds and the read fails
        DWORD readError;
        QByteArray bodyBefore;
        const char16_t* lengthText = nullptr; // the Content-Length as the caller reads it
    };
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc";
    const Case cases[] = {
        {"reset in the headers", {F::send("HTTP/1.1 200 OK\r\nContent-Le"), F::reset()},
         ERROR_INTERNET_CONNECTION_RESET, 0, {}},
        {"reset in the body", {F::send(head), F::wait(50), F::reset()}, 0, ERROR_INTERNET_CONNECTION_RESET, "abc"},
        {"body cut short", {F::send(head), F::close()}, 0, ERROR_INTERNET_CONNECTION_ABORTED, "abc"},
        {"nothing at all", {F::close()}, ERROR_HTTP_INVALID_SERVER_RESPONSE, 0, {}},
        {"malformed status", {F::send("HTTP/1.1 2x0 OK\r\n\r\n"), F::close()}, ERROR_HTTP_INVALID_SERVER_RESPONSE, 0, {}},
        {"length not a number", {F::send("HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\nabc"), F::close()},
         ERROR_HTTP_INVALID_SERVER_RESPONSE, 0, {}},
        // libcurl frames by the leading digits; the text reaches the caller as sent.
        {"length with trailing junk", {F::send("HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nabc"), F::close()},
         0, ERROR_INTERNET_CONNECTION_ABORTED, "abc", u"12abc"},
        {"negative length", {F::send("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc"), F::close()},
         ERROR_HTTP_INVALID_SERVER_RESPONSE, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        F server([&c](const F::Request&) { return c.script; });
        InetTestRequest request(server.url(QStringLiteral("/f")));
        const bool sent = request.send();
        EXPECT_EQ(request.error(), c.sendError);
        if (!sent)
            continue;
        if (c.lengthText) {
            EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_LENGTH), QString::fromUtf16(c.lengthText));
        }
        QByteArray body;
        EXPECT_FALSE(request.readAll(&body));
        EXPECT_EQ(request.error(), c.readError);
        EXPECT_EQ(body, c.bodyBefore);
    }
}

// A body in chunks of at most 16 KiB, as servers frame it.
QByteArray chunked(QByteArrayView body)
{
    QByteArray framed;
    for (qsizetype at = 0; at < body.size(); at += 16384) {
        const QByteArrayView piece = body.sliced(at, std::min<qsizetype>(16384, body.size() - at));
        framed += QByteArray::number(piece.size(), 16) + "\r\n" + piece.toByteArray() + "\r\n";
    }
    return framed + "0\r\n\r\n";
}

// Only chunked is decoded. Any other transfer coding is refused at its headers,
// before a byte of the body is worked on, so that a small compressed answer
// cannot cost minutes of decoding; a content coding is kept as sent.
TEST(InetFaultTest, TransferCodings)
{
    // 64 MiB of zeros in some 64 KiB: zlib framing, which libcurl takes for both codings.
    const QByteArray bomb = qCompress(QByteArray(64 << 20, '\0'), 9).mid(4);
    const QByteArray plain = QByteArray(40000, 'p');
    struct Case
    {
        const char* name;
        QByteArray headers;
        QByteArray body; // as framed on the wire
        DWORD sendError;
        QByteArray received;
        QString verb = QStringLiteral("GET");
    };
    const Case cases[] = {
        {"chunked", "Transfer-Encoding: chunked\r\n", chunked(plain), 0, plain},
        {"identity, then chunked", "Transfer-Encoding: Identity, CHUNKED\r\n", chunked(plain), 0, plain},
        {"content coding", "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", chunked(bomb), 0, bomb},
        {"gzip, chunked", "Transfer-Encoding: gzip, chunked\r\n", chunked(bomb), ERROR_HTTP_INVALID_SERVER_RESPONSE, {}},
        {"deflate, chunked", "Transfer-Encoding: deflate,chunked\r\n", chunked(bomb),
         ERROR_HTTP_INVALID_SERVER_RESPONSE, {}},
        {"gzip to the close", "Transfer-Encoding: gzip\r\n", bomb, ERROR_HTTP_INVALID_SERVER_RESPONSE, {}},
        {"gzip on a line of its own", "Transfer-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", chunked(bomb),
         ERROR_HTTP_INVALID_SERVER_RESPONSE, {}},
        {"an unknown coding", "Transfer-Encoding: x-vandrel; q=1, chunked\r\n", chunked(plain),
         ERROR_HTTP_INVALID_SERVER_RESPONSE, {}},
        // A HEAD answer names the coding a GET would get, and has no body to decode.
        {"HEAD", "Transfer-Encoding: gzip, chunked\r\n", {}, 0, {}, QStringLiteral("HEAD")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        F server([&c](const F::Request&) {
            return F::Script{F::send("HTTP/1.1 200 OK\r\n" + c.headers + "\r\n" + c.body), F::close()};
        });
        InetTestRequest::Setup setup;
        setup.verb = c.verb;
        InetTestRequest request(server.url(QStringLiteral("/f")), setup);
        QElapsedTimer timer;
        timer.start();
        const bool sent = request.send();
        EXPECT_EQ(request.error(), c.sendError);
        EXPECT_LT(timer.elapsed(), kGenerousMs);
        if (!sent)
            continue;
        QByteArray body;
        EXPECT_TRUE(request.readAll(&body)) << request.error();
        EXPECT_EQ(body.size(), c.received.size());
        EXPECT_TRUE(body == c.received);
    }
}

TEST(InetFaultTest, NothingListeningCannotConnect)
{
    quint16 port = 0;
    {
        F closed([](const F::Request&) { return F::Script{}; });
        port = closed.port();
    }
    InetTestRequest request(QStringLiteral("http://127.0.0.1:%1/f").arg(port));
    EXPECT_FALSE(request.send());
    EXPECT_EQ(request.error(), ERROR_INTERNET_CANNOT_CONNECT);
}

// Interim blocks are skipped; values are trimmed, folded lines joined, and
// non-UTF-8 names read as GB18030, as the servers of our users send them.
TEST(InetFaultTest, HeaderBlocksAndTheirText)
{
    F server([](const F::Request&) {
        return F::Script{F::send("HTTP/1.1 100 Continue\r\n\r\n"),
                         F::send(F::response(200,
                                             "Accept-Ranges:   bytes \t\r\n"
                                             "Content-Type: text/plain;\r\n charset=utf-8\r\n"
                                             "Content-Disposition: attachment; filename=\"\xb2\xe2\xca\xd4.txt\"\r\n"
                                             "Location: /\xe6\xb5\x8b.bin\r\n",
                                             "x"))};
    });
    InetTestRequest request(server.url(QStringLiteral("/f")));
    ASSERT_TRUE(request.send());
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.header(HTTP_QUERY_ACCEPT_RANGES), u"bytes");
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_TYPE), u"text/plain; charset=utf-8");
    EXPECT_EQ(request.header(HTTP_QUERY_CONTENT_DISPOSITION), QString::fromUtf8("attachment; filename=\"测试.txt\""));
    EXPECT_EQ(request.header(HTTP_QUERY_LOCATION), QString::fromUtf8("/测.bin"));
}

// Locations resolve against the URL that answered (RFC 3986), keeping its port;
// one of another scheme is not followed but handed back.
TEST(InetFaultTest, RelativeLocationsResolveAgainstTheCurrentUrl)
{
    struct Case
    {
        QByteArray location;
        QByteArray target; // what the second request asks for; empty: not followed
    };
    const Case cases[] = {
        {"c.bin", "/a/c.bin"},
        {"../c.bin", "/c.bin"},
        {"/x/y.bin?q=1", "/x/y.bin?q=1"},
        {"?q=2", "/a/b?q=2"},
        {"//%1/net.bin", "/net.bin"}, // %1: this server's host and port
        {"/with space.bin", "/with%20space.bin"},
        {"ftp://127.0.0.1/f", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location.constData());
        F server([&c](const F::Request& r) {
            if (r.target != "/a/b")
                return F::answer(200, {}, "final");
            QByteArray location = c.location;
            location.replace("%1", r.header("Host"));
            return F::answer(302, "Location: " + location + "\r\n");
        });
        InetTestRequest request(server.url(QStringLiteral("/a/b")));
        ASSERT_TRUE(request.send()) << request.error();
        const QList<F::Request> seen = server.requests();
        if (c.target.isEmpty()) {
            EXPECT_EQ(request.status(), 302);
            EXPECT_EQ(seen.size(), 1);
            EXPECT_EQ(request.answeredUrl(), server.url(QStringLiteral("/a/b")));
            continue;
        }
        EXPECT_EQ(request.status(), 200);
        ASSERT_EQ(seen.size(), 2);
        EXPECT_EQ(seen[1].target, c.target);
        EXPECT_EQ(request.answeredUrl(), server.url(QString::fromLatin1(c.target)));
    }
}

// Credentials answer Basic and Digest challenges; without them, or with wrong
// ones, the 401 is the answer and its body can be read.
TEST(InetFaultTest, ServerCredentials)
{
    struct Case
    {
        F::AuthScheme scheme;
        QString user;
        QString password;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {F::AuthScheme::Basic, QStringLiteral("u"), QStringLiteral("p"), 200, "welcome"},
        {F::AuthScheme::Digest, QStringLiteral("u"), QStringLiteral("p"), 200, "welcome"},
        {F::AuthScheme::Basic, {}, {}, 401, "denied"},
        {F::AuthScheme::Digest, QStringLiteral("u"), QStringLiteral("wrong"), 401, "denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        F server(F::requireAuth(c.scheme, false, "u", "p",
                                [](const F::Request&) { return F::answer(200, {}, "welcome"); }));
        InetTestRequest::Setup setup;
        setup.userName = c.user;
        setup.password = c.password;
        InetTestRequest request(server.url(QStringLiteral("/private")), setup);
        ASSERT_TRUE(request.send()) << request.error();
        EXPECT_EQ(request.status(), c.status);
        QByteArray body;
        ASSERT_TRUE(request.readAll(&body));
        EXPECT_EQ(body, c.body);
        EXPECT_FALSE(server.requests().first().hasHeader("Authorization"));
    }
}

// A redirect to another origin must not carry the server credentials along.
TEST(InetFaultTest, CredentialsStayWithTheirOrigin)
{
    F other([](const F::Request&) { return F::answer(200, {}, "elsewhere"); });
    const QByteArray elsewhere = other.url(QStringLiteral("/g")).toLatin1();
    F server(F::requireAuth(F::AuthScheme::Basic, false, "u", "p", [&elsewhere](const F::Request&) {
        return F::answer(302, "Location: " + elsewhere + "\r\n");
    }));
    InetTestRequest::Setup setup;
    setup.userName = QStringLiteral("u");
    setup.password = QStringLiteral("p");
    InetTestRequest request(server.url(QStringLiteral("/f")), setup);
    ASSERT_TRUE(request.send()) << request.error();
    EXPECT_EQ(request.status(), 200);
    ASSERT_EQ(other.requests().size(), 1);
    EXPECT_FALSE(other.requests().first().hasHeader("Authorization"));
    EXPECT_EQ(server.requests().last().header("Authorization"), "Basic dTpw");
}

// Setting the cancel event ends a blocked read at once. What is buffered is
// still handed out; with nothing buffered the read fails with 12017 and is
// never mistaken for the end of the body.
TEST(InetFaultTest, CancellingEndsAStalledRead)
{
    F server([](const F::Request&) {
        return F::Script{F::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc"), F::stall()};
    });
    ManualResetEvent event; // outlives the request, as the layer requires
    InetTestRequest request(server.url(QStringLiteral("/f")));
    ASSERT_TRUE(SetCancelEvent(request.handle(), &event));
    ASSERT_TRUE(request.send());
    char buffer[64];
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request.handle(), buffer, 3, &got));
    EXPECT_EQ(got, 3u);

    QElapsedTimer sinceSet;
    std::thread canceller([&] {
        // Time for the read to block: nothing outside the layer shows that it has.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sinceSet.start();
        event.set();
    });
    const BOOL read = InternetReadFile(request.handle(), buffer, sizeof buffer, &got);
    const qint64 latency = sinceSet.elapsed();
    canceller.join();
    EXPECT_FALSE(read);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
    EXPECT_LT(latency, kGenerousMs);
    RecordProperty("CancelLatencyMs", int(latency));
    std::printf("cancelled read returned %lld ms after the event was set\n", latency);
}

TEST(InetFaultTest, CancellingEndsAWaitForTheHeaders)
{
    F server([](const F::Request&) { return F::Script{F::stall()}; });
    ManualResetEvent event; // outlives the request, as the layer requires
    InetTestRequest request(server.url(QStringLiteral("/f")));
    ASSERT_TRUE(SetCancelEvent(request.handle(), &event));
    std::thread canceller([&] {
        // Once the request is in, the send waits for the headers.
        PollUntil([&server] { return !server.requests().isEmpty(); }, kGenerousMs);
        event.set();
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(request.send());
    canceller.join();
    EXPECT_EQ(request.error(), ERROR_INTERNET_OPERATION_CANCELLED);
    EXPECT_LT(timer.elapsed(), kGenerousMs);
}

TEST(InetFaultTest, ACancelledReadHandsOutWhatIsBuffered)
{
    F server([](const F::Request&) {
        return F::Script{F::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc"), F::stall()};
    });
    ManualResetEvent event; // outlives the request, as the layer requires
    InetTestRequest request(server.url(QStringLiteral("/f")));
    ASSERT_TRUE(SetCancelEvent(request.handle(), &event));
    ASSERT_TRUE(request.send());
    // Let the three body bytes arrive behind the headers.
    char buffer[64];
    DWORD got = 0;
    event.set();
    PollUntil([&] {
        const BOOL read = InternetReadFile(request.handle(), buffer, sizeof buffer, &got);
        EXPECT_EQ(read != 0, got != 0) << "a cancelled read never looks like the end of the body";
        return read != 0 || got != 0;
    }, kGenerousMs);
    EXPECT_EQ(QByteArray(buffer, got), "abc");
    EXPECT_FALSE(InternetReadFile(request.handle(), buffer, sizeof buffer, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
}

} // namespace
