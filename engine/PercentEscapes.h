#pragma once

#include <QStringView>

inline constexpr qsizetype kPercentEscapeUnits = 3; // "%XX"

// How many units of text, from at, are percent escapes ("%" and two hex digits)
// that follow one another; 0 when none starts there.
qsizetype PercentEscapeRun(QStringView text, qsizetype at);
