#include "platform/ParseUrl.h"

#include <gtest/gtest.h>

namespace {

struct Parsed
{
    uint32_t type = 0;
    QString server;
    QString object;
    uint16_t port = 0;
};

struct Case
{
    QString url;
    uint32_t type;
    QString server;
    QString object;
    uint16_t port;
};

} // namespace

TEST(ParseUrl, SplitsServiceServerObjectAndPort)
{
    const Case cases[] = {
        {"http://h/dl/setup.exe?id=7", AFX_INET_SERVICE_HTTP, "h", "/dl/setup.exe?id=7", 80},
        {"http://h", AFX_INET_SERVICE_HTTP, "h", "/", 80},
        {"https://h:8443/a#frag", AFX_INET_SERVICE_HTTPS, "h", "/a", 8443},
        {"HTTP://H/x", AFX_INET_SERVICE_HTTP, "H", "/x", 80},
        {"hTTpS://h/x", AFX_INET_SERVICE_HTTPS, "h", "/x", 443},
        {"http://[::1]:81/x", AFX_INET_SERVICE_HTTP, "::1", "/x", 81},
        {"http://[::1]", AFX_INET_SERVICE_HTTP, "::1", "/", 80},
        {"ftp://h/x", AFX_INET_SERVICE_FTP, "h", "/x", 21},
        {"gopher://h", AFX_INET_SERVICE_GOPHER, "h", "/", 70},
        {"file://h/x", AFX_INET_SERVICE_FILE, "h", "/x", 0},
        {"mailto://h", AFX_INET_SERVICE_MAILTO, "h", "/", 0},
        {"news://h/x", AFX_INET_SERVICE_NEWS, "h", "/x", 0},
        {"nntp://h", AFX_INET_SERVICE_NNTP, "h", "/", 119},
        {"telnet://h", AFX_INET_SERVICE_TELNET, "h", "/", 23},
        {"svn+ssh.x-y://h/r", AFX_INET_SERVICE_UNK, "h", "/r", 0},
        // A query right after the host, and fragments, which never reach the object.
        {"http://h?x=1#f", AFX_INET_SERVICE_HTTP, "h", "/?x=1", 80},
        {"http://h#f/g", AFX_INET_SERVICE_HTTP, "h", "/", 80},
        {"http://h/a?b#c?d", AFX_INET_SERVICE_HTTP, "h", "/a?b", 80},
        // User info up to the last "@" of the authority; an "@" in the path is kept.
        {"http://u:p@h:8080/a", AFX_INET_SERVICE_HTTP, "h", "/a", 8080},
        {"http://a@b@h/x", AFX_INET_SERVICE_HTTP, "h", "/x", 80},
        {"http://h/a@b", AFX_INET_SERVICE_HTTP, "h", "/a@b", 80},
        // Ports: ":" alone is the default; leading zeros count towards the five digits.
        {"http://h:/x", AFX_INET_SERVICE_HTTP, "h", "/x", 80},
        {"http://h:00080/", AFX_INET_SERVICE_HTTP, "h", "/", 80},
        {"https://h:65535", AFX_INET_SERVICE_HTTPS, "h", "/", 65535},
        // The object is taken as written: no decoding, no dot segments removed.
        {"http://h/a b/\u00fc/../%41?q=1 2", AFX_INET_SERVICE_HTTP, "h", "/a b/\u00fc/../%41?q=1 2", 80},
        {"http://\u4f8b\u5b50.cn/x", AFX_INET_SERVICE_HTTP, "\u4f8b\u5b50.cn", "/x", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        Parsed p;
        ASSERT_TRUE(ParseUrl(c.url, p.type, p.server, p.object, p.port));
        EXPECT_EQ(p.type, c.type);
        EXPECT_EQ(p.server, c.server);
        EXPECT_EQ(p.object, c.object);
        EXPECT_EQ(p.port, c.port);
    }
}

TEST(ParseUrl, FailsAndClearsTheParts)
{
    const QString cases[] = {
        "", "a.zip", "/files/a.zip", "mailto:x", "http//x", "http:/x", "://h", "1http://h",
        "ht_tp://h/", " http://h/",
        // Host
        "http://", "http:///x", "http://:80/", "http://u@/x", "http://[]/", "http://[::1/",
        "http://[::1]x/",
        // Port
        "http://h:70000/", "http://h:65536/", "http://h:0/", "http://h:000080/", "http://h:8a/",
        "http://h:-1/", "http://h:+80/", "http://h:80:81/",
        // Spaces in the authority, control characters anywhere
        "http://h :80/", "http:// h/", "http://u p@h/", "http://h/x\r", "http://h/a\tb",
        "http://h/#\n", QString("http://h/a") + QChar(0) + "b",
    };
    for (const QString& url : cases) {
        SCOPED_TRACE(url.toStdString());
        Parsed p{AFX_INET_SERVICE_HTTP, "old", "/old", 80};
        EXPECT_FALSE(ParseUrl(url, p.type, p.server, p.object, p.port));
        EXPECT_EQ(p.type, AFX_INET_SERVICE_UNK);
        EXPECT_TRUE(p.server.isEmpty());
        EXPECT_TRUE(p.object.isEmpty());
        EXPECT_EQ(p.port, 0);
    }
}
