#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int ConnectLoopback(quint16 port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

bool LoopbackAccepts(quint16 port)
{
    const int socket = ConnectLoopback(port);
    if (socket >= 0)
        ::close(socket);
    return socket >= 0;
}

QList<quint16> FreeLoopbackPorts(int count)
{
    QList<int> sockets;
    QList<quint16> ports;
    for (int i = 0; i < count; ++i) {
        const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
        sockets.append(socket);
        ports.append(ntohs(address.sin_port));
    }
    for (const int socket : sockets)
        ::close(socket);
    return ports;
}
