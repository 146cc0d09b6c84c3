#include "app/gui/UIFont.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

// The test machine has neither preferred face: the desktop's face stays, no
// missing one is named.
TEST(UIFont, FallsBackToTheDesktopsFaceWithMulDivHeight)
{
    for (const char* face : {"Segoe UI", "Tahoma"}) {
        if (QFontDatabase::families().contains(QString::fromLatin1(face), Qt::CaseInsensitive))
            GTEST_SKIP() << face << " is installed";
    }
    const QFont bold = CreateUIFont(8, true);
    EXPECT_EQ(bold.family(), QGuiApplication::font().family());
    EXPECT_EQ(bold.pixelSize(), 11); // 8 pt at 96 dpi is 10.67 px, rounded
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_EQ(bold.styleStrategy(), QFont::PreferDefault);

    const QFont normal = CreateUIFont(9, false);
    EXPECT_EQ(normal.pixelSize(), 12);
    EXPECT_EQ(normal.weight(), QFont::Normal);
}
