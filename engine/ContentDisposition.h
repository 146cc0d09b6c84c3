#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The file names a Content-Disposition value offers, as sent, the preferred one
// first:
// - filename* (RFC 6266 and RFC 5987: charset'language'value, the charset UTF-8
//   or ISO-8859-1 in any case, the value visible ASCII with "%" escapes),
//   decoded; left out when malformed, so that filename stands in for it;
// - the text behind the first filename=" (in any case) up to the next double
//   quote; left out without a closing one. An unquoted filename is not taken.
QStringList DispositionFileNames(QStringView header);
