#pragma once

#include <QString>

// The text as QString::compare(..., Qt::CaseInsensitive) sees it, unit for
// unit: two texts compare equal ignoring case exactly when their folded texts
// are equal, and order as their folded texts do, so that hashing and sorting
// can fold once instead of at every comparison.
QString CaseFolded(const QString& text);
