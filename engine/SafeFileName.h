#pragma once

#include <QString>
#include <QStringView>

// A file title made from text a server or a URL supplied, safe to create in the
// download folder on any file system a user may download to:
// - NUL, the control units 0x01 to 0x1F, " * / : < > ? \ | and lone surrogates
//   become "_";
// - leading spaces are dropped, and trailing dots, spaces and replaced units are
//   cut off (an underscore of the source stays);
// - the result is at most kMaxSafeFileNameBytes of UTF-8, cut between code points:
//   a longer name, or one from more than 260 units, is shortened before its
//   extension (up to 16 bytes behind the last dot of the whole name, ".tar" in
//   front of that included); one without an extension is what the first 260
//   units yield, cut at its end;
// - CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (without regard to case, the whole name)
//   get their last unit replaced by "_".
// So "/" never survives, "." and ".." become empty, and empty means "no name".
QString SafeFileName(QStringView source);

// A name read back from a list or a partial file: kept as it is when it is a
// plain name, so that the files it made keep matching it; made safe as above
// when it holds a "/" or a "\" or is "." or "..", since it could lead the
// download's files out of their folder.
QString SafeStoredFileName(const QString& name);

// Linux allows 255 bytes per name; the partial file adds ".(4294967295).vrldownload".
inline constexpr qsizetype kMaxSafeFileNameBytes = 230;
