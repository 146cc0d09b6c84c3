#pragma once

#include <QList>
#include <QtGlobal>

// A TCP connection to 127.0.0.1:port; the socket, or -1 when nothing accepts.
int ConnectLoopback(quint16 port);
// Something accepts connections on 127.0.0.1:port.
bool LoopbackAccepts(quint16 port);
// Ports of 127.0.0.1 that were free a moment ago; a server may still lose one
// to a race, so its start retries.
QList<quint16> FreeLoopbackPorts(int count);
