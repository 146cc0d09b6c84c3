#include "platform/DesktopExec.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

TEST(DesktopExec, QuotesOnlyWhatNeedsItThenEscapesTheStringAndThePercent)
{
    const struct
    {
        QString program;
        std::optional<QString> exec;
    } cases[] = {
        {QStringLiteral("/usr/bin/vandrel"), QStringLiteral("/usr/bin/vandrel -Autorun")},
        {QStringLiteral("/opt/My Apps/vandrel"), QStringLiteral(R"("/opt/My Apps/vandrel" -Autorun)")},
        {QStringLiteral("/opt/a$b/vandrel"), QStringLiteral(R"("/opt/a\\$b/vandrel" -Autorun)")},
        {QStringLiteral(R"(/opt/a\b/vandrel)"), QStringLiteral(R"("/opt/a\\\\b/vandrel" -Autorun)")},
        {QStringLiteral(R"(/opt/a"b/vandrel)"), QStringLiteral(R"("/opt/a\\"b/vandrel" -Autorun)")},
        {QStringLiteral("/opt/a`b/vandrel"), QStringLiteral(R"("/opt/a\\`b/vandrel" -Autorun)")},
        {QStringLiteral("/opt/it's/vandrel"), QStringLiteral(R"("/opt/it's/vandrel" -Autorun)")},
        {QStringLiteral("/opt/~me/vandrel"), QStringLiteral(R"("/opt/~me/vandrel" -Autorun)")},
        {QStringLiteral("/opt/100%/vandrel"), QStringLiteral("/opt/100%%/vandrel -Autorun")},
        {QStringLiteral("/opt/a b%/vandrel"), QStringLiteral(R"("/opt/a b%%/vandrel" -Autorun)")},
        {QStringLiteral("/opt/a=b,c+d/vandrel"), QStringLiteral("/opt/a=b,c+d/vandrel -Autorun")},
        {QStringLiteral("/opt/下载/vandrel"), QStringLiteral("/opt/下载/vandrel -Autorun")},
        {QStringLiteral("/opt/a\nb/vandrel"), std::nullopt},
        {QStringLiteral("/opt/a\tb/vandrel"), std::nullopt},
        {QStringLiteral("/opt/a") + QChar(QChar::ReplacementCharacter) + QStringLiteral("/vandrel"), std::nullopt},
    };
    for (const auto& test : cases)
        EXPECT_EQ(DesktopExecValue({test.program, QStringLiteral("-Autorun")}), test.exec) << test.program.toStdString();
}
