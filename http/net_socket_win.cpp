#include <winsock2.h>
#include <ws2tcpip.h>

#include "http/net_socket.h"

namespace qelnet {

bool Startup() {
    // Winsock is started once and never shut down.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }();
    return started;
}

intptr_t ConnectTcp(uint32_t address, uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return kNoSocket;
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<intptr_t>(s);
}

int32_t SendSome(intptr_t socket, const char* data, int32_t length) {
    return send(static_cast<SOCKET>(socket), data, length, 0);
}

int32_t ReceiveSome(intptr_t socket, char* buffer, int32_t size) {
    return recv(static_cast<SOCKET>(socket), buffer, size, 0);
}

int32_t CloseSocket(intptr_t socket) { return closesocket(static_cast<SOCKET>(socket)); }

int32_t WaitReadable(intptr_t socket, int32_t milliseconds) {
    int ready;
    do {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(static_cast<SOCKET>(socket), &readable);
        timeval limit = {milliseconds / 1000, (milliseconds % 1000) * 1000};
        ready = select(0, &readable, nullptr, nullptr, milliseconds < 0 ? nullptr : &limit);
    } while (ready == SOCKET_ERROR && WSAGetLastError() == WSAEINTR);
    return ready == SOCKET_ERROR ? -1 : (ready > 0 ? 1 : 0);
}

}  // namespace qelnet
