#include "platform/MimePackage.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kUpdateTimeoutMs = 10000;

QString PackageText(const MimeTypeInfo& info)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    text += QStringLiteral("  <mime-type type=\"%1\">\n").arg(info.type.toHtmlEscaped());
    text += QStringLiteral("    <comment>%1</comment>\n").arg(info.comment.toHtmlEscaped());
    text += QStringLiteral("    <icon name=\"%1\"/>\n").arg(info.iconName.toHtmlEscaped());
    for (const QString& glob : info.globs)
        text += QStringLiteral("    <glob pattern=\"%1\"/>\n").arg(glob.toHtmlEscaped());
    text += QStringLiteral("  </mime-type>\n</mime-info>\n");
    return text;
}

} // namespace

QString MimeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/mime");
}

QString MimePackagePath(const QString& package)
{
    return MimeFolder() + QStringLiteral("/packages/") + package + QStringLiteral(".xml");
}

bool WriteMimePackage(const QString& package, const MimeTypeInfo& info)
{
    return WriteFileAtomically(MimePackagePath(package), PackageText(info).toUtf8());
}

bool RemoveMimePackage(const QString& package)
{
    return QFile::remove(MimePackagePath(package));
}

void UpdateMimeDatabase()
{
    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral("update-mime-database"), {MimeFolder()});
    if (!tool.waitForStarted(kUpdateTimeoutMs))
        return;
    if (!tool.waitForFinished(kUpdateTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(kUpdateTimeoutMs);
    }
}
