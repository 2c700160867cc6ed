#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/net_socket.h"

namespace qelnet {

bool Startup() { return true; }

intptr_t ConnectTcp(uint32_t address, uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0) {
        close(fd);
        return kNoSocket;
    }
    // Descriptor 0 means "no socket" to the caller; keep a connected socket off it.
    if (fd == 0) {
        int moved = dup(fd);
        close(fd);
        if (moved < 0) return kNoSocket;
        fd = moved;
    }
    return fd;
}

int32_t SendSome(intptr_t socket, const char* data, int32_t length) {
    ssize_t sent;
    do {
        sent = send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int32_t>(sent);
}

int32_t ReceiveSome(intptr_t socket, char* buffer, int32_t size) {
    ssize_t got;
    do {
        got = recv(static_cast<int>(socket), buffer, size, 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int32_t>(got);
}

int32_t CloseSocket(intptr_t socket) { return close(static_cast<int>(socket)); }

int32_t WaitReadable(intptr_t socket, int32_t milliseconds) {
    pollfd watched = {static_cast<int>(socket), POLLIN, 0};
    int ready;
    do {
        ready = poll(&watched, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
}

}  // namespace qelnet
