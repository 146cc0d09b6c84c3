#pragma once

#include <QColor>

#include <cstdint>

// A colour written the Windows way, 0x00BBGGRR. QColor(QRgb) reads 0xAARRGGBB,
// which would swap red and blue.
inline QColor ColorFromColorRef(uint32_t colorRef)
{
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}
