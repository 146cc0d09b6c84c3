#include "support/TestEnvironment.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

QString g_root;

void makePrivateDir(const QString& path, const char* variable)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        std::perror(native.constData());
        std::abort();
    }
    if (variable)
        ::setenv(variable, native.constData(), 1);
}

} // namespace

TestEnvironment::TestEnvironment()
{
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/vandrel-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_root = QFile::decodeName(pattern);
    makePrivateDir(home(), "HOME");
    makePrivateDir(configHome(), "XDG_CONFIG_HOME");
    makePrivateDir(dataHome(), "XDG_DATA_HOME");
    makePrivateDir(runtimeDir(), "XDG_RUNTIME_DIR");
    ::unsetenv("XDG_CONFIG_DIRS");
    ::unsetenv("XDG_DATA_DIRS");
    // A bus that does not exist: no test can reach the real session or system bus.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vandrel-test-bus", 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vandrel-test-bus", 1);
    // A run of this binary that a session test starts on its private X server
    // is told the display; every other run is offscreen.
    const QByteArray privateDisplay = qgetenv(kPrivateDisplayVariable);
    if (privateDisplay.isEmpty()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        ::setenv("DISPLAY", privateDisplay.constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
    }
    for (const char* proxy : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        ::unsetenv(proxy);
}

TestEnvironment::~TestEnvironment()
{
    QDir(g_root).removeRecursively();
}

QString TestEnvironment::root() { return g_root; }
QString TestEnvironment::home() { return g_root + "/home"; }
QString TestEnvironment::configHome() { return g_root + "/config"; }
QString TestEnvironment::dataHome() { return g_root + "/data"; }
QString TestEnvironment::runtimeDir() { return g_root + "/runtime"; }
