#include "app/AppCommandLineInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

AppCommandMode Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "vandrel");
    CAppCommandLineInfo info;
    info.Parse(int(arguments.size()), const_cast<char**>(arguments.data()));
    return info.m_nMode;
}

} // namespace

TEST(AppCommandLineInfo, ASwitchIsAFlagNamingAModeWithoutRegardToCaseAndTheLastOneWins)
{
    const struct
    {
        std::vector<const char*> arguments;
        AppCommandMode mode;
    } cases[] = {
        {{}, AppModeNone},
        {{"-Autorun"}, AppModeAutorun},
        {{"/autorun"}, AppModeAutorun},
        {{"-ENABLESHELLINTEGRATION"}, AppModeEnableShellIntegration},
        {{"-DisableShellIntegration"}, AppModeDisableShellIntegration},
        {{"-Install", "-Uninstall"}, AppModeUninstall},
        {{"-Uninstall", "list.vrl", "-Autorun"}, AppModeAutorun},
        {{"Install"}, AppModeNone},    // not a flag
        {{"--Install"}, AppModeNone},  // "-Install" is no switch's name
        {{"-Installer"}, AppModeNone},
        {{"/home/me/Install"}, AppModeNone},
    };
    for (const auto& test : cases)
        EXPECT_EQ(Parse(test.arguments), test.mode) << (test.arguments.empty() ? "" : test.arguments.back());
}

TEST(AppCommandLineInfo, OnlyTheModesThatDoTheirWorkAndEndNeedNoWindow)
{
    CAppCommandLineInfo info;
    for (const AppCommandMode mode : {AppModeNone, AppModeAutorun})
        EXPECT_FALSE((info.m_nMode = mode, info.IsWorkMode()));
    for (const AppCommandMode mode :
         {AppModeEnableShellIntegration, AppModeDisableShellIntegration, AppModeInstall, AppModeUninstall})
        EXPECT_TRUE((info.m_nMode = mode, info.IsWorkMode()));
}
