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

// Escapes become the characters they encode, unless the character could not be
// part of a name or the bytes are no character at all; those stay as written.
TEST(Url, DecodedFileNameIsTheNameAPersonReads)
{
    const std::pair<QString, QString> cases[] = {
        {"/%E6%8A%A5%E5%91%8A-2024%E5%B9%B4%E5%BA%A6.pdf", "报告-2024年度.pdf"},
        {"/%e4%b8%ad.bin", "中.bin"},
        {"/a%20b%2Bc+d.zip", "a b+c+d.zip"},
        {"/%F0%9F%98%80.png", "😀.png"},
        {"/100%25.txt", "100%.txt"},
        {"/%3F%2A.txt", "?*.txt"}, // replaced later, as any reserved character is
        {"/raw 中.txt", "raw 中.txt"},
        {"/a.zip?name=%E4%B8%AD", "a.zip"},
        // Separators, NUL and control characters.
        {"/a%2Fb%2fc", "a%2Fb%2fc"},
        {"/a%00b%0A%7F%C2%85c", "a%00b%0A%7F%C2%85c"},
        // Bytes that form no character, in a run with ones that do.
        {"/%E6%8A%A5%FF%E5%91%8A", "报%FF告"},
        {"/%E6%8A.bin", "%E6%8A.bin"},
        {"/%80%BF", "%80%BF"},
        {"/%C0%AF%E0%80%AF", "%C0%AF%E0%80%AF"}, // overlong "/"
        {"/%ED%A0%80", "%ED%A0%80"},            // a surrogate
        {"/%F4%90%80%80", "%F4%90%80%80"},      // past U+10FFFF
        // No escapes.
        {"/50%", "50%"},
        {"/%4", "%4"},
        {"/%zz%E4", "%zz%E4"},
    };
    for (const auto& [object, name] : cases) {
        SCOPED_TRACE(object.toStdString());
        CUrl url;
        url.m_strObject = object;
        EXPECT_EQ(url.GetDecodedFileName(), name);
    }
}
