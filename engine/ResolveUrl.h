#pragma once

#include <QString>

// A URL reference (a Location, say) resolved against the absolute URL base as
// RFC 3986 section 5.2 does it: "//host/x" keeps base's scheme, "/x" its scheme and
// authority (the port included), "x", "../x", "?q" and "" resolve against its path
// and query. A reference with a scheme is returned unchanged. Nothing is decoded
// or encoded.
QString ResolveUrl(const QString& base, const QString& reference);
