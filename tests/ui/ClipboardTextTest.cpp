#include "app/gui/ClipboardText.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

using namespace Qt::StringLiterals;

TEST(ClipboardText, RoundTripsTextUpToTheFirstNul)
{
    ASSERT_TRUE(SetClipboardText(u"https://h/a.zip"_s));
    QString text;
    ASSERT_TRUE(GetClipboardText(&text));
    EXPECT_EQ(text, u"https://h/a.zip"_s);

    ASSERT_TRUE(SetClipboardText(u"ab\0cd"_s));
    ASSERT_TRUE(GetClipboardText(&text));
    EXPECT_EQ(text, u"ab"_s);
}

TEST(ClipboardText, RefusesANullTextAndReadsNoImage)
{
    EXPECT_FALSE(SetClipboardText(QString()));

    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QString text = u"kept"_s;
    EXPECT_FALSE(GetClipboardText(&text));
    EXPECT_EQ(text, u"kept"_s);
}
