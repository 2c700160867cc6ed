#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/tools/http_test_server/server_socket.h"

namespace httptest {

namespace {

bool Readable(int fd, int ms) {
    pollfd watched = {fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&watched, 1, ms);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace

intptr_t Listen(uint16_t port, uint16_t* actualPort, std::string* error) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        *error = "socket: " + std::string(strerror(errno));
        return 0;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd, 16) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        *error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + strerror(errno);
        close(fd);
        return 0;
    }
    *actualPort = ntohs(address.sin_port);
    return fd;
}

intptr_t AcceptWithin(intptr_t listener, int ms) {
    if (!Readable(static_cast<int>(listener), ms)) return 0;
    int fd = accept(static_cast<int>(listener), nullptr, nullptr);
    return fd < 0 ? -1 : fd;
}

int ReceiveWithin(intptr_t socket, char* buffer, int size, int ms) {
    if (!Readable(static_cast<int>(socket), ms)) return -2;
    ssize_t got = recv(static_cast<int>(socket), buffer, size, 0);
    return got < 0 ? -1 : static_cast<int>(got);
}

bool SendAll(intptr_t socket, const char* data, size_t length) {
    while (length > 0) {
        ssize_t sent = send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

void CloseSocket(intptr_t socket) { close(static_cast<int>(socket)); }

}  // namespace httptest
