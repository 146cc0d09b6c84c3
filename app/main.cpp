#include "app/AppCommandLineInfo.h"
#include "app/AppVersion.h"
#include "app/gui/PowerOffAtExit.h"
#include "app/gui/QtTranslation.h"
#include "app/gui/ShellIntegration.h"
#include "app/gui/UiServices.h"
#include "app/gui/VandrelApp.h"
#include "platform/SignalPipe.h"
#include "platform/inet/Inet.h"

#include <QApplication>

#include <csignal>

namespace {

// The modes that only do their work: no display, no settings, no instance lock.
// Whatever fails is left as it is; the process ends either way.
int RunWorkMode(int argc, char** argv, AppCommandMode mode)
{
    QCoreApplication app(argc, argv);
    switch (mode) {
    case AppModeEnableShellIntegration: SetShellIntegration(true); break;
    case AppModeDisableShellIntegration: SetShellIntegration(false); break;
    case AppModeInstall:
        SetAutoStart(true);
        SetShellIntegration(true);
        break;
    case AppModeUninstall: UninstallCleanup(); break;
    default: break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CAppCommandLineInfo commandLine;
    commandLine.Parse(argc, argv);
    if (commandLine.IsWorkMode())
        return RunWorkMode(argc, argv, commandLine.m_nMode);

    inet::GlobalInit(); // before any thread: libcurl's set-up, SIGPIPE ignored
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orlmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Vandrel"));
    QCoreApplication::setApplicationVersion(QLatin1String(kAppVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("Vandrel"));
    InstallQtTranslation();
    // Closing a dialog while the main window is hidden in the tray must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallProductionUiServices();

    CVandrelApp vandrel;
    // Power-off, the end of a session and Ctrl+C: the orderly exit, without a question.
    CSignalPipe signalPipe({SIGTERM, SIGHUP, SIGINT});
    QObject::connect(&signalPipe, &CSignalPipe::Received, &vandrel, &CVandrelApp::OnSessionEnd);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &vandrel, &CVandrelApp::OnSessionEnd);

    if (vandrel.InitInstance(commandLine.m_nMode))
        QApplication::exec();
    const int code = vandrel.ExitInstance();
    // A shut-down chosen as the all-done action goes out only after every save.
    CPowerOffAtExit::RunIfRequested();
    CVandrelApp::EndProcess(code);
    return code;
}
