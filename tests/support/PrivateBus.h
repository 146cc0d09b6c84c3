#pragma once

#include "support/ChildProcess.h"

#include <QString>

// A bus of the test's own: a dbus-daemon on a socket in the test's temporary
// folder, never the machine's system or session bus.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The daemon's address once it has printed it, or empty.
    QString Address() const;

private:
    QString m_addressFile;
    ChildProcess m_daemon;
};
