#include "app/gui/PaintingWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// How soon an expose is answered.
constexpr int kRoundMs = 20;

constexpr QEventLoop::ProcessEventsFlags kPaintOnly =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;

} // namespace

bool WaitPaintingUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        QCoreApplication::processEvents(kPaintOnly);
        if (done())
            return true;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        QThread::msleep(std::min<qint64>(left, kRoundMs));
    }
}

void WaitPainting(int ms)
{
    WaitPaintingUntil([] { return false; }, ms);
}
