#pragma once

#include <QString>

// A link text as a label shows it: each "<A>...</A>" of the markup becomes an
// anchor whose address is its index ("0", "1", ...), since a label never
// activates an anchor without one; the rest is shown as plain text.
QString SysLinkHtml(const QString& markup);
