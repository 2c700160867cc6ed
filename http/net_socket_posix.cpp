#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/http_watch.h"
#include "http/net_socket.h"

namespace qelnet {

namespace {

// The connect runs non-blocking and is waited for in slices, so that a stop is seen soon.
bool ConnectWithin(int fd, const sockaddr_in& peer, uint32_t timeoutMs,
                   const std::atomic<bool>* stop) {
    const sockaddr* address = reinterpret_cast<const sockaddr*>(&peer);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    bool connected = connect(fd, address, sizeof(peer)) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd watched = {fd, POLLOUT, 0};
        int ready = 0;
        for (uint32_t waited = 0; ready == 0 && !(stop && *stop); waited += kHttpWaitSliceMs) {
            if (timeoutMs && waited >= timeoutMs) break;
            ready = poll(&watched, 1, static_cast<int>(kHttpWaitSliceMs));
            if (ready < 0 && errno == EINTR) ready = 0;
        }
        int error = 0;
        socklen_t size = sizeof(error);
        connected =
            ready > 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    return connected && fcntl(fd, F_SETFL, flags) == 0;
}

timeval Interval(uint32_t ms) {
    timeval interval = {};
    interval.tv_sec = static_cast<time_t>(ms / 1000);
    interval.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    return interval;
}

}  // namespace

bool Startup() { return true; }

intptr_t ConnectTcp(uint32_t address, uint16_t port, uint32_t timeoutMs,
                    const std::atomic<bool>* stop) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (!ConnectWithin(fd, peer, timeoutMs, stop)) {
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

bool SetTimeouts(intptr_t socket, uint32_t receiveMs, uint32_t sendMs) {
    const timeval receive = Interval(receiveMs);
    const timeval send = Interval(sendMs);
    const int fd = static_cast<int>(socket);
    return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receive, sizeof(receive)) == 0 &&
           setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send, sizeof(send)) == 0;
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
