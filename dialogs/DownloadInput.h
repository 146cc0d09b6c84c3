#pragma once

#include "StringIds.h"

#include <QString>

#include <optional>

// The acceptance rules of typed download addresses and folders, shared by every
// page that takes one. Each check gives the text of its refusal,
// or TextId::None when the input is accepted (then normalised in place).

// The scheme of a typed address: the text before the first ":" when that comes
// before any "/", "?" or "#", starts with a letter and holds only letters, digits,
// "+", "-" and "."; an empty scheme when there is none. None (the text is taken
// as it is) for a scheme longer than 32 characters.
std::optional<QString> GetUrlScheme(const QString& text);

// A trimmed, non-empty address: "http://" is put in front when it names no
// scheme; it must then be an http or https URL that parses (UnsupportedSchemeEnterHttp
// for another scheme, BadUrl for one that does not parse) and no longer than a list
// can store (UrlTooLong, the scheme put in front counted).
TextId CheckUrlInput(QString& url);

// A download folder: trimmed (NoFolder when empty), every trailing "/" dropped;
// it must be an absolute path of an existing directory, at least two units long
// and short enough that a file name still fits into a stored path (else NoSuchFolder). The
// user's Downloads folder is created first when it is missing.
TextId CheckFolderInput(QString& folder);

// The longest address a list can store.
inline constexpr qsizetype kMaxUrlInputLength = 2083;
// The longest folder: a stored path of 2083 units holds it, "/" and a 255-unit name.
inline constexpr qsizetype kMaxFolderInputLength = kMaxUrlInputLength - 1 - 255;
