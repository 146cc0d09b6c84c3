#include "dialogs/SectionBar.h"

#include "app/PrintfText.h"
#include "engine/DownloadState.h"
#include "engine/DownloadStub.h"

#include <QPainter>

#include <algorithm>

namespace {

const QColor kFrame(127, 127, 127);
const QColor kWorking(0, 162, 232);
const QColor kFailed(218, 38, 38);
const QColor kStopped(255, 201, 14);
const QColor kComplete(6, 176, 37);
const QColor kAllocated(195, 195, 195);
constexpr uint64_t kPerMille = 1000;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextSingleLine;

QColor SectionColor(const SectionSnapshot& section)
{
    if (section.m_bIsWorking)
        return kWorking;
    if (section.IsComplete())
        return kComplete;
    return section.m_bIsFailed ? kFailed : kStopped;
}

} // namespace

CSectionBar::CSectionBar(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(fontMetrics().height() + 4);
}

void CSectionBar::SetFigures(Figures figures)
{
    m_figures = std::move(figures);
    update();
}

void CSectionBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, kFrame);
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    painter.fillRect(inner, Qt::white);
    if (m_figures.state < Prepared)
        return;
    if (m_figures.fileSize == 0) {
        painter.setPen(Qt::black);
        painter.drawText(frame, kTextFlags, QStringLiteral("..."));
        return;
    }
    if (m_figures.state == FileAllocating)
        PaintAllocation(painter, inner);
    else
        PaintSections(painter, inner);
}

void CSectionBar::PaintSections(QPainter& painter, const QRect& inner)
{
    const uint64_t width = uint64_t(rect().width());
    const uint64_t size = m_figures.fileSize;
    const size_t count = m_figures.sections.size();
    for (size_t i = 0; i < count; ++i) {
        const SectionSnapshot& section = m_figures.sections[i];
        const auto position = [&](uint64_t offset) {
            // Per mille of the file; a body longer than announced stops at the end.
            return std::min<uint64_t>(width * (offset * kPerMille / size) / kPerMille, width);
        };
        int left = int(position(section.m_nRangeStartInitial));
        int right = int(position(section.m_nRangeStart));
        if (right - left <= 0)
            continue;
        if (i == 0)
            ++left;
        else if (i + 1 == count)
            --right;
        if (right > left)
            painter.fillRect(QRect(left, inner.top(), right - left, inner.height()), SectionColor(section));
    }
}

void CSectionBar::PaintAllocation(QPainter& painter, const QRect& inner)
{
    if (!m_figures.allocationShown)
        return;
    const float percent =
        float(double(m_figures.allocated) / double(m_figures.fileSize + DownloadStub::kSize) * 100.0);
    const int filled = int(float(inner.width() / 100) * percent);
    painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), kAllocated);
    painter.drawText(rect(), kTextFlags, PrintfText("%.1f%%", double(percent)));
}
