#include "engine/OwnFiles.h"

#include "platform/PosixFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kPartialFileSuffix = QStringLiteral(".vrldownload");

// The title split at its last dot: stem and extension (with the dot).
struct SplitTitle
{
    explicit SplitTitle(const QString& title)
    {
        const qsizetype dot = title.lastIndexOf(u'.');
        stem = dot < 0 ? title : title.left(dot);
        extension = dot < 0 ? QString() : title.mid(dot);
    }
    QString stem;
    QString extension;
};

// The counters of our file names are written with "%u" from 1 upward.
bool IsCounter(QStringView text)
{
    bool ok = false;
    const uint32_t counter = text.toUInt(&ok);
    return ok && counter >= 1 && QString::number(counter) == text;
}

// before + counter + after.
bool IsCountedName(QStringView name, const QString& before, const QString& after)
{
    const qsizetype counterLength = name.size() - before.size() - after.size();
    return counterLength > 0 && name.startsWith(before) && name.endsWith(after)
        && IsCounter(name.mid(before.size(), counterLength));
}

bool IsOwnFileName(QStringView name, const QString& title)
{
    if (name == title || name == title + kPartialFileSuffix)
        return true;
    if (IsCountedName(name, title + ".(", u')' + kPartialFileSuffix))
        return true;
    const SplitTitle split(title);
    return IsCountedName(name, split.stem + u'(', u')' + split.extension);
}

// The cleaned path when it lies directly in the cleaned, absolute folder.
QFileInfo DirectlyIn(const QString& path, const QString& folder)
{
    if (path.isEmpty())
        return {};
    const QString cleanFolder = QDir::cleanPath(folder);
    const QFileInfo file(QDir::cleanPath(path));
    if (!QDir::isAbsolutePath(cleanFolder) || file.path() != cleanFolder)
        return {};
    return file;
}

} // namespace

QString PartialFilePath(const QString& folder, const QString& title, uint32_t counter)
{
    if (counter == 0)
        return folder + u'/' + title + kPartialFileSuffix;
    return QStringLiteral("%1/%2.(%3)%4").arg(folder, title, QString::number(counter), kPartialFileSuffix);
}

QString FinalFilePath(const QString& folder, const QString& title, uint32_t counter)
{
    if (counter == 0)
        return folder + u'/' + title;
    const SplitTitle split(title);
    return QStringLiteral("%1/%2(%3)%4").arg(folder, split.stem, QString::number(counter), split.extension);
}

bool IsUsableFolder(const QString& folder)
{
    return folder.startsWith(u'/') && !folder.endsWith(u'/');
}

QString OwnFilePath(const QString& path, const QString& folder, const QString& title)
{
    const QFileInfo file = DirectlyIn(path, folder);
    if (file.filePath().isEmpty() || !IsOwnFileName(file.fileName(), title))
        return {};
    return file.filePath();
}

QString OwnPartialFilePath(const QString& path, const QString& folder)
{
    const QFileInfo file = DirectlyIn(path, folder);
    if (file.filePath().isEmpty() || !HasPartialFileSuffix(file.fileName()) || !IsRegularFile(file.filePath()))
        return {};
    return file.filePath();
}

bool HasPartialFileSuffix(const QString& name)
{
    return name.endsWith(kPartialFileSuffix, Qt::CaseInsensitive);
}

QString WithoutPartialFileSuffix(const QString& name)
{
    return HasPartialFileSuffix(name) ? name.chopped(kPartialFileSuffix.size()) : name;
}
