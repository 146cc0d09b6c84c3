#include "support/PollUntil.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

constexpr int kPollMs = 20;

} // namespace

bool PollUntil(const std::function<bool()>& condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}
