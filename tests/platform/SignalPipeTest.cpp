#include "platform/SignalPipe.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>

#include <csignal>

TEST(SignalPipe, ASignalArrivesInTheEventLoopAsItsNumber)
{
    CSignalPipe pipe({SIGUSR1, SIGUSR2});
    QList<int> received;
    QObject::connect(&pipe, &CSignalPipe::Received, [&received](int number) { received << number; });
    ::raise(SIGUSR2);
    ::raise(SIGUSR1);
    EXPECT_TRUE(received.isEmpty()) << "the handler only writes to the pipe";
    const QDeadlineTimer deadline(5000);
    while (received.size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(received, (QList<int>{SIGUSR2, SIGUSR1}));
}
