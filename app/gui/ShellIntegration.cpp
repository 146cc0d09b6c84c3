#include "app/gui/ShellIntegration.h"

#include "app/gui/AppIcons.h"
#include "app/gui/SingleInstance.h"
#include "platform/AutostartEntry.h"
#include "platform/IconTheme.h"
#include "platform/MimePackage.h"
#include "platform/Profile.h"
#include "platform/RemoveTree.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const QString kAutostartName = QStringLiteral("Vandrel");
const QString kPackage = QStringLiteral("Vandrel.Document");
const QString kIconContext = QStringLiteral("mimetypes");
// Long enough for the exit question to be answered and the downloads to stop.
constexpr int kInstanceExitTimeoutMs = 120000;

MimeTypeInfo DocumentType()
{
    return {QStringLiteral("application/x-vandrel-document"), kPackage,
            QStringLiteral("application-x-vandrel-document"),
            {QStringLiteral("*.vrldownload"), QStringLiteral("*.vrl"), QStringLiteral("*.vrh")}};
}

bool WriteDocumentType()
{
    const MimeTypeInfo type = DocumentType();
    bool written = WriteMimePackage(kPackage, type);
    for (const int size : kIconSizes)
        written = WriteThemeIcon(kIconContext, type.iconName, size, PngData(DocumentIcon(size))) && written;
    return written;
}

bool RemoveDocumentType()
{
    const MimeTypeInfo type = DocumentType();
    bool removed = RemoveMimePackage(kPackage);
    for (const int size : kIconSizes)
        removed = RemoveThemeIcon(kIconContext, type.iconName, size) && removed;
    return removed;
}

} // namespace

bool SetAutoStart(bool on)
{
    if (!on)
        return RemoveAutostartEntry(kAutostartName);
    const QString program = QCoreApplication::applicationFilePath();
    return !program.isEmpty() && WriteAutostartEntry(kAutostartName, {program, QStringLiteral("-Autorun")});
}

bool IsAutoStartOn()
{
    return QFileInfo::exists(AutostartEntryPath(kAutostartName));
}

bool SetShellIntegration(bool on)
{
    const bool done = on ? WriteDocumentType() : RemoveDocumentType();
    UpdateMimeDatabase();
    return done;
}

void UninstallCleanup()
{
    CSingleInstance::RequestExitAndWait(kInstanceExitTimeoutMs);
    RemoveAutostartEntry(kAutostartName);
    SetShellIntegration(false);
    // CONFIG/Orlmark/Vandrel: the settings of every version; the data folder stays.
    RemoveTree(QFileInfo(CProfile::DefaultFilePath()).path());
}
