#include "mainframe/WindowPlacement.h"

#include "platform/BinaryWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr QSize kDefaultSize(900, 600);

// How far a point lies from a rectangle (0 inside it); in 64 bits, since a
// hand-edited corner may lie anywhere.
double Distance(const QPoint& point, const QRect& rect)
{
    const auto gap = [](int64_t value, int64_t low, int64_t high) {
        return double(std::max({low - value, int64_t(0), value - high}));
    };
    return std::hypot(gap(point.x(), rect.left(), rect.right()), gap(point.y(), rect.top(), rect.bottom()));
}

const ScreenArea* NearestScreen(const QPoint& point, const QList<ScreenArea>& screens)
{
    const ScreenArea* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const ScreenArea& screen : screens) {
        const double distance = Distance(point, screen.geometry);
        if (distance < best) {
            best = distance;
            nearest = &screen;
        }
    }
    return nearest;
}

} // namespace

WinRect WinRect::FromQRect(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

QByteArray WinRectToBytes(const WinRect& rect)
{
    BinaryWriter writer;
    for (int32_t value : {rect.left, rect.top, rect.right, rect.bottom})
        writer.writeInt32(value);
    return writer.data();
}

std::optional<WinRect> WinRectFromBytes(const QByteArray& bytes)
{
    if (bytes.size() != kWinRectBytes)
        return std::nullopt;
    const auto at = [&bytes](int index) { return qFromLittleEndian<int32_t>(bytes.constData() + 4 * index); };
    return WinRect{at(0), at(1), at(2), at(3)};
}

QRect ComputePlacement(const WinRect& stored, const QList<ScreenArea>& screens, const QRect& defaultRect)
{
    const ScreenArea* screen = NearestScreen({stored.left, stored.top}, screens);
    constexpr int64_t kLargest = std::numeric_limits<int>::max();
    if (!screen || stored.IsEmpty() || stored.Width() > kLargest || stored.Height() > kLargest)
        return defaultRect;
    const WinRect work = WinRect::FromQRect(screen->workArea);
    const int32_t left = std::max(stored.left, work.left);
    const int32_t top = std::max(stored.top, work.top);
    if (left >= std::min(stored.right, work.right) || top >= std::min(stored.bottom, work.bottom))
        return defaultRect;
    const QSize size(int(std::min<int64_t>(stored.Width(), screen->workArea.width())),
                     int(std::min<int64_t>(stored.Height(), screen->workArea.height())));
    return FitIntoArea(QRect(QPoint(left, top), size), screen->workArea, QMargins());
}

QRect FitIntoArea(const QRect& rect, const QRect& area, const QMargins& frame)
{
    const QRect inner = area.marginsRemoved(frame);
    if (inner.isEmpty())
        return rect;
    QRect fitted(rect.topLeft(), rect.size().boundedTo(inner.size()));
    fitted.moveRight(std::min(fitted.right(), inner.right()));
    fitted.moveBottom(std::min(fitted.bottom(), inner.bottom()));
    fitted.moveLeft(std::max(fitted.left(), inner.left()));
    fitted.moveTop(std::max(fitted.top(), inner.top()));
    return fitted;
}

QRect DefaultWindowGeometry(const QRect& workArea)
{
    QRect rect(QPoint(), kDefaultSize);
    rect.moveCenter(workArea.center());
    return rect;
}
