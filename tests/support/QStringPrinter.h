#pragma once

#include <QString>

#include <ostream>

// Lets failed expectations show texts as text rather than as UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
