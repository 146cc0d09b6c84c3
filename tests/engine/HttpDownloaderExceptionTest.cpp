#include "engine/HttpDownloaderException.h"

#include <gtest/gtest.h>

#include <QString>

TEST(HttpDownloaderException, GetErrorMessageCutsToTheBuffer)
{
    const QString full = QString::fromUtf8("Vandrel 下载文件无效。");
    const CHttpDownloaderException error;
    EXPECT_EQ(error.GetErrorMessage(), full);

    struct Case
    {
        unsigned size;
        QString text; // what the buffer holds before its NUL
    };
    const Case cases[] = {{1, ""}, {4, "Van"}, {unsigned(full.size()), full.chopped(1)}, {64, full}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char16_t buffer[65];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        unsigned help = 77;
        EXPECT_TRUE(error.GetErrorMessage(buffer, c.size, &help));
        EXPECT_EQ(QString::fromUtf16(buffer), c.text);
        EXPECT_EQ(buffer[c.text.size() + 1], u'#');
        EXPECT_EQ(help, 77u);
    }

    char16_t untouched = u'#';
    unsigned help = 77;
    EXPECT_TRUE(error.GetErrorMessage(&untouched, 0, &help));
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(help, 77u);
}
