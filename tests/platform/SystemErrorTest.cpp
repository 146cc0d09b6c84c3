#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

// The text is the C library's own, in the user's locale, on one line.
TEST(SystemError, IsTheLibraryTextOnOneLine)
{
    for (int code : {ENOENT, EACCES, ENOSPC, EOPNOTSUPP, 0, 12345}) {
        const QString text = GetSystemErrorText(code);
        EXPECT_EQ(text, QString::fromLocal8Bit(strerror(code))) << code;
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(text.contains(u'\n') || text.contains(u'\r')) << code;
    }
}
