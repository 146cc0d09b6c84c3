#pragma once

#include <QIcon>
#include <QImage>

// A gray copy: each pixel's gray = int(0.3 red + 0.59 green + 0.11 blue), its
// alpha kept. Straight (not premultiplied) ARGB, so the colours are the
// pixel's own.
QImage CreateGrayscaleBitmap(const QImage& image);

// The 16 x 16 menu image of a command, with its gray copy as the disabled
// image; a null icon for a command without one.
QIcon CommandMenuIcon(int command);
