#pragma once

#include <QtGlobal>

// A TCP connection to 127.0.0.1:port; the socket, or -1 when nothing accepts.
int ConnectLoopback(quint16 port);
