#include "mainframe/BarStateCheck.h"

#include <QDataStream>

namespace {

// The markers of Qt's main-window state stream (the values Qt writes).
constexpr int kVersionMarker = 0xff;
constexpr uchar kDockSectionMarker = 0xfd;
constexpr uchar kToolBarSectionMarker = 0xfc; // with the geometry word Qt has written since 4.3
constexpr int kDockCount = 4;                 // left, right, top, bottom

// Far more than the state of two tool bars takes; a value beyond it is no state of this window.
constexpr qsizetype kMaxStateBytes = 4096;
constexpr quint32 kMaxNameBytes = 512;
constexpr quint32 kNullString = 0xffffffff;
// Positions and sizes in pixels; no screen comes near.
constexpr int kMaxExtent = 1 << 20;
constexpr uchar kShownOrientationBits = 0x3;
constexpr uint kFloatingBit = 0x1;

bool IsCornerArea(int area)
{
    return area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea || area == Qt::TopDockWidgetArea
           || area == Qt::BottomDockWidgetArea;
}

bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

CBarStateCheck::CBarStateCheck(int version, int toolBarCount) : m_nVersion(version), m_nToolBarCount(toolBarCount) {}

bool CBarStateCheck::IsSound(const QByteArray& state) const
{
    if (state.isEmpty() || state.size() > kMaxStateBytes)
        return false;
    QDataStream stream(state);
    stream.setVersion(QDataStream::Qt_5_0); // as QMainWindow writes it
    int marker = 0;
    int version = 0;
    stream >> marker >> version;
    if (stream.status() != QDataStream::Ok || marker != kVersionMarker || version != m_nVersion)
        return false;
    bool docksRead = false;
    bool toolBarsRead = false;
    while (!stream.atEnd()) {
        uchar section = 0;
        stream >> section;
        bool read = false;
        if (section == kDockSectionMarker && !docksRead)
            read = docksRead = ReadDockSection(stream);
        else if (section == kToolBarSectionMarker && !toolBarsRead)
            read = toolBarsRead = ReadToolBarSection(stream);
        if (!read || stream.status() != QDataStream::Ok)
            return false;
    }
    return stream.status() == QDataStream::Ok;
}

bool CBarStateCheck::ReadDockSection(QDataStream& stream)
{
    int areas = 0;
    int centralWidth = 0;
    int centralHeight = 0;
    stream >> areas >> centralWidth >> centralHeight;
    if (areas != 0 || !InRange(centralWidth, -1, kMaxExtent) || !InRange(centralHeight, -1, kMaxExtent))
        return false;
    for (int corner = 0; corner < 4; ++corner) {
        int area = 0;
        stream >> area;
        if (!IsCornerArea(area))
            return false;
    }
    return stream.status() == QDataStream::Ok;
}

bool CBarStateCheck::ReadToolBarSection(QDataStream& stream) const
{
    int lines = 0;
    stream >> lines;
    if (!InRange(lines, 0, m_nToolBarCount))
        return false;
    int items = 0;
    for (int line = 0; line < lines; ++line) {
        int dock = 0;
        int count = 0;
        stream >> dock >> count;
        if (stream.status() != QDataStream::Ok || !InRange(dock, 0, kDockCount - 1)
            || !InRange(count, 0, m_nToolBarCount - items))
            return false;
        items += count;
        for (int item = 0; item < count; ++item) {
            if (!ReadToolBarItem(stream))
                return false;
        }
    }
    return stream.status() == QDataStream::Ok;
}

bool CBarStateCheck::ReadToolBarItem(QDataStream& stream)
{
    quint32 nameBytes = 0;
    stream >> nameBytes;
    if (nameBytes != kNullString) {
        if (nameBytes > kMaxNameBytes || nameBytes % 2 != 0 || stream.skipRawData(int(nameBytes)) != int(nameBytes))
            return false;
    }
    uchar shownOrientation = 0;
    int position = 0;
    int preferredSize = 0;
    uint geometry0 = 0;
    uint geometry1 = 0;
    stream >> shownOrientation >> position >> preferredSize >> geometry0 >> geometry1;
    // The window's bars cannot float, so no floating geometry either.
    return stream.status() == QDataStream::Ok && (shownOrientation & ~kShownOrientationBits) == 0
           && InRange(position, 0, kMaxExtent) && InRange(preferredSize, -1, kMaxExtent)
           && (geometry0 & kFloatingBit) == 0;
}
