#pragma once

#include <QByteArray>
#include <QList>
#include <QMargins>
#include <QRect>

#include <cstdint>
#include <optional>

// A rectangle the Windows way: right and bottom lie just outside it.
struct WinRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    static WinRect FromQRect(const QRect& rect);
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // 64 bits: a hand-edited rectangle may span more than an int holds.
    int64_t Width() const { return int64_t(right) - left; }
    int64_t Height() const { return int64_t(bottom) - top; }

    friend bool operator==(const WinRect&, const WinRect&) = default;
};

inline constexpr int kWinRectBytes = 16;

// The stored "MainWindowRect": four signed little-endian 32-bit values. Any
// other size than 16 bytes is not a rectangle.
QByteArray WinRectToBytes(const WinRect& rect);
std::optional<WinRect> WinRectFromBytes(const QByteArray& bytes);

struct ScreenArea
{
    QRect geometry;
    QRect workArea;
};

// Where the window opens for a stored rectangle: on the screen nearest to the
// rectangle's top-left corner, at the top-left corner of the rectangle's overlap
// with that screen's work area and with the stored size, both then clamped so
// that the window lies within the work area; at defaultRect when there is no
// overlap (an empty stored rectangle overlaps nothing).
QRect ComputePlacement(const WinRect& stored, const QList<ScreenArea>& screens, const QRect& defaultRect);

// The window's rectangle (without its frame) moved, and shrunk where it must be,
// so that it lies inside the area together with its frame. Stored at another
// scale or on a larger screen, a window would otherwise reach past the screen.
QRect FitIntoArea(const QRect& rect, const QRect& area, const QMargins& frame);

// The geometry of a window without a stored placement: 900 x 600, centred.
QRect DefaultWindowGeometry(const QRect& workArea);
