// The options' auto-start switch, in this process: its entry starts this
// executable with the Autorun switch.
#include "app/gui/ShellIntegration.h"
#include "platform/AutostartEntry.h"
#include "support/ProfileFixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>

TEST(ShellIntegration, AutoStartOnWritesTheEntryAndOffRemovesIt)
{
    UseFreshConfigHome();
    const QString entry = AutostartEntryPath(QStringLiteral("Vandrel"));
    EXPECT_FALSE(SetAutoStart(false)) << "nothing to remove";

    ASSERT_TRUE(SetAutoStart(true));
    const QByteArray text = ReadFileBytes(entry);
    EXPECT_TRUE(text.contains("\nExec=" + QFile::encodeName(QCoreApplication::applicationFilePath()) + " -Autorun\n"))
        << text.toStdString();
    ASSERT_TRUE(SetAutoStart(true)) << "an existing entry is replaced";
    EXPECT_EQ(ReadFileBytes(entry), text);

    EXPECT_TRUE(SetAutoStart(false));
    EXPECT_FALSE(QFileInfo::exists(entry));
}
