#include "platform/FileManagerItems.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QUrl>

namespace {

// A file manager that has to be started first may take a while.
constexpr int kReplyTimeoutMs = 10000;

} // namespace

void ShowItemInFileManager(const QDBusConnection& bus, const QString& filePath, std::function<void()> onFailure)
{
    if (!bus.isConnected()) {
        onFailure();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kReplyTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [onFailure = std::move(onFailure)](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             onFailure();
                         finished->deleteLater();
                     });
}
