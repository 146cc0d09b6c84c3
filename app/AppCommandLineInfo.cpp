#include "app/AppCommandLineInfo.h"

namespace {

struct Switch
{
    const char* name;
    AppCommandMode mode;
};

constexpr Switch kSwitches[] = {
    {"Autorun", AppModeAutorun},
    {"EnableShellIntegration", AppModeEnableShellIntegration},
    {"DisableShellIntegration", AppModeDisableShellIntegration},
    {"Install", AppModeInstall},
    {"Uninstall", AppModeUninstall},
};

} // namespace

void CAppCommandLineInfo::ParseParam(const QString& parameter, bool isFlag)
{
    if (!isFlag)
        return;
    for (const Switch& entry : kSwitches) {
        if (parameter.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            m_nMode = entry.mode;
    }
}

void CAppCommandLineInfo::Parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const bool isFlag = argument.startsWith(u'-') || argument.startsWith(u'/');
        ParseParam(isFlag ? argument.mid(1) : argument, isFlag);
    }
}
