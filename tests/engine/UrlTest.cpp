#include "engine/Url.h"
#include "platform/ParseUrl.h"

#include <gtest/gtest.h>

TEST(Url, FileNameIsTheLastSegmentBeforeTheQuery)
{
    const std::pair<QString, QString> cases[] = {
        {"/dl/setup.exe?id=7", "setup.exe"},
        {"/dl/", ""},
        {"abc", "abc"},
        {"/", ""},
        {"", ""},
        {"/a/b%20c.zip", "b%20c.zip"},
        {"/a/b?c?d", "b"},
        {"/x/?q", ""},
        // The last "/" counts even inside the query.
        {"/get?f=dir/b.zip", "b.zip"},
    };
    for (const auto& [object, name] : cases) {
        SCOPED_TRACE(object.toStdString());
        CUrl url;
        url.m_strObject = object;
        EXPECT_EQ(url.GetFileName(), name);
    }
}

TEST(Url, FilledByParseUrl)
{
    CUrl url;
    ASSERT_TRUE(ParseUrl("https://h:8443/dl/a.iso?x=1#top", url.m_nServiceType, url.m_strServer,
                         url.m_strObject, url.m_nPort));
    EXPECT_EQ(url.m_nServiceType, AFX_INET_SERVICE_HTTPS);
    EXPECT_EQ(url.m_strServer, "h");
    EXPECT_EQ(url.m_nPort, 8443);
    EXPECT_EQ(url.GetFileName(), "a.iso");
}
