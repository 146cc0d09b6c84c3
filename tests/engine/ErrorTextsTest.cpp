#include "engine/ErrorTexts.h"
#include "platform/SystemError.h"
#include "platform/inet/Inet.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct StatusRange
{
    unsigned first;
    unsigned last;
};

constexpr StatusRange kAccepted[] = {
    {100, 103}, {200, 208}, {226, 226}, {300, 308}, {400, 418}, {421, 426},
    {428, 429}, {431, 431}, {451, 451}, {500, 508}, {510, 511},
};

// Clears the thread's response text again when a test ends.
struct ResponseText
{
    explicit ResponseText(const QString& text) { inet::SetThreadResponseInfoForTest(text); }
    ~ResponseText() { inet::SetThreadResponseInfoForTest(QString()); }
};

} // namespace

TEST(ErrorTexts, HttpStatusTextForTheKnownCodes)
{
    QSet<QString> phrases;
    for (const StatusRange& range : kAccepted) {
        for (unsigned status = range.first; status <= range.last; ++status) {
            SCOPED_TRACE(status);
            QString text;
            EXPECT_TRUE(GetHttpStatusText(status, text));
            EXPECT_FALSE(text.isEmpty());
            phrases.insert(text);
        }
    }
    EXPECT_EQ(phrases.size(), 63);

    const std::pair<unsigned, const char*> fixed[] = {
        {200, "确定"}, {206, "部分内容"}, {404, "未找到"}, {416, "范围不满足"},
        {418, "我是一个茶壶"}, {431, "请求头字段太大"}, {451, "因法律原因不可用"}, {503, "暂停服务"},
    };
    for (const auto& [status, phrase] : fixed) {
        QString text;
        EXPECT_TRUE(GetHttpStatusText(status, text));
        EXPECT_EQ(text, QString::fromUtf8(phrase)) << status;
    }

    for (unsigned status : {0u, 99u, 104u, 199u, 209u, 225u, 227u, 299u, 309u, 419u, 420u, 427u, 430u, 432u,
                            450u, 452u, 509u, 512u, 600u, 40200u}) {
        QString text = "keep";
        EXPECT_FALSE(GetHttpStatusText(status, text)) << status;
        EXPECT_EQ(text, "keep") << status;
    }
}

// The layer's own table, never strerror: 6 is a bad handle there and ENXIO as errno.
TEST(ErrorTexts, InternetTextsComeFromTheLayersTable)
{
    for (uint32_t code : {inet::ERROR_INVALID_HANDLE, inet::ERROR_INTERNET_TIMEOUT, inet::ERROR_INTERNET_CANNOT_CONNECT}) {
        SCOPED_TRACE(code);
        QString text;
        EXPECT_TRUE(GetInternetErrorText(code, text));
        EXPECT_FALSE(text.isEmpty());
        EXPECT_EQ(text, inet::ErrorText(code));
    }
    QString text;
    GetInternetErrorText(inet::ERROR_INVALID_HANDLE, text);
    EXPECT_NE(text, GetSystemErrorText(6));

    for (uint32_t code : {0u, 2u, 12156u, 99999u}) {
        QString none = "keep";
        EXPECT_FALSE(GetInternetErrorText(code, none)) << code;
        EXPECT_TRUE(none.isEmpty()) << code;
    }
}

TEST(ErrorTexts, ExtendedErrorIsTheThreadsResponseText)
{
    struct Case
    {
        QString response;
        bool result;
        QString text;
    };
    const QString a511(511, u'a');
    const Case cases[] = {
        {QString(100, u'r'), true, QString(100, u'r')},
        {a511, true, a511},
        {QString(512, u'a'), false, ""},
        {QString(600, u'a'), false, ""},
        {"", true, ""},
        {"libcurl: bad thing\r\n", true, "libcurl: bad thing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.response.size());
        const ResponseText response(c.response);
        QString text = "keep";
        EXPECT_EQ(GetInternetErrorText(inet::ERROR_INTERNET_EXTENDED_ERROR, text), c.result);
        EXPECT_EQ(text, c.text);
    }
}
