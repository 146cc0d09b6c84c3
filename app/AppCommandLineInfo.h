#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

enum AppCommandMode : int32_t
{
    AppModeNone = 0,
    AppModeAutorun = 1,
    AppModeEnableShellIntegration = 2,
    AppModeDisableShellIntegration = 3,
    AppModeInstall = 4,
    AppModeUninstall = 5,
};

// The command line. A flag is an argument that begins with "-" or "/"; one that
// names a switch (the mode's name, compared without case) sets the mode, the
// last one winning; every other argument is ignored. Parsed from main's argv
// before any Qt application object exists, so that the modes that only do their
// work need no display.
class CAppCommandLineInfo
{
public:
    void ParseParam(const QString& parameter, bool isFlag);
    void Parse(int argc, char** argv);

    // The modes that do their work and end the process without a window.
    bool IsWorkMode() const { return m_nMode >= AppModeEnableShellIntegration; }

    AppCommandMode m_nMode = AppModeNone;
};
