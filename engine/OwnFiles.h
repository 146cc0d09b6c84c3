#pragma once

#include <QString>

#include <cstdint>

// The files a download makes in its folder, and how they are named:
// - the partial file title.vrldownload, or title.(n).vrldownload while taken;
// - the final file title, or stem(n).ext (title(n) without a dot) while taken.
// Counter 0 gives the first choice; the counted names start at 1.
QString PartialFilePath(const QString& folder, const QString& title, uint32_t counter);
QString FinalFilePath(const QString& folder, const QString& title, uint32_t counter);

// A folder files can be made in: absolute and without a trailing "/", so "/"
// alone is refused. A relative one (such as "D:\Dl" from another system) would
// make its files under the current directory.
bool IsUsableFolder(const QString& folder);

// The path, cleaned, when it names a file the download made (any of the names
// above) directly in its absolute folder; otherwise empty. A damaged or crafted
// list must not lead the download to delete or reuse some other file of the
// user. Callers use the cleaned path, so that a symbolic link on the way cannot
// lead elsewhere than the check saw.
QString OwnFilePath(const QString& path, const QString& folder, const QString& title);
// Likewise for a partial file the download may write into: a regular file
// directly in the folder whose name ends in ".vrldownload" in any case.
QString OwnPartialFilePath(const QString& path, const QString& folder);

// ".vrldownload" at the end of name, in any case.
bool HasPartialFileSuffix(const QString& name);
// name without that suffix.
QString WithoutPartialFileSuffix(const QString& name);
