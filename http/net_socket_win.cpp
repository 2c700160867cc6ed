#include <winsock2.h>
#include <ws2tcpip.h>

#include "http/http_watch.h"
#include "http/net_socket.h"

namespace qelnet {

namespace {

// The connect runs non-blocking and is waited for in slices, so that a stop is seen soon.
bool ConnectWithin(SOCKET s, const sockaddr_in& peer, uint32_t timeoutMs,
                   const std::atomic<bool>* stop) {
    const sockaddr* address = reinterpret_cast<const sockaddr*>(&peer);
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return false;
    bool connected = connect(s, address, sizeof(peer)) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        int ready = 0;
        for (uint32_t waited = 0; ready == 0 && !(stop && *stop); waited += kHttpWaitSliceMs) {
            if (timeoutMs && waited >= timeoutMs) break;
            fd_set writable;
            fd_set failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval slice = {0, static_cast<long>(kHttpWaitSliceMs * 1000)};
            ready = select(0, nullptr, &writable, &failed, &slice);
            connected = ready > 0 && FD_ISSET(s, &writable);
        }
    }
    u_long blocking = 0;
    return connected && ioctlsocket(s, FIONBIO, &blocking) == 0;
}

}  // namespace

bool Startup() {
    // Winsock is started once and never shut down.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }();
    return started;
}

intptr_t ConnectTcp(uint32_t address, uint16_t port, uint32_t timeoutMs,
                    const std::atomic<bool>* stop) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return kNoSocket;
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (!ConnectWithin(s, peer, timeoutMs, stop)) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<intptr_t>(s);
}

bool SetTimeouts(intptr_t socket, uint32_t receiveMs, uint32_t sendMs) {
    const SOCKET s = static_cast<SOCKET>(socket);
    const DWORD receive = receiveMs;
    const DWORD send = sendMs;
    return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receive),
                      sizeof(receive)) == 0 &&
           setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send),
                      sizeof(send)) == 0;
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
