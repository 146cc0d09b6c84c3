#pragma once

#include <QByteArray>
#include <QString>

// Icons of the user's hicolor theme, the fallback every icon theme reads:
// DATA/icons/hicolor/<size>x<size>/<context>/<name>.png, DATA = $XDG_DATA_HOME,
// else ~/.local/share. The context is the theme's folder ("mimetypes", "apps").
QString ThemeIconPath(const QString& context, const QString& name, int size);

// Writes PNG data atomically (see WriteFileAtomically).
bool WriteThemeIcon(const QString& context, const QString& name, int size, const QByteArray& png);
// False when there was no such icon or it could not be removed.
bool RemoveThemeIcon(const QString& context, const QString& name, int size);
