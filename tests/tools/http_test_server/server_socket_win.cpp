#include <winsock2.h>

#include "tests/tools/http_test_server/server_socket.h"

namespace httptest {

namespace {

bool Readable(SOCKET s, int ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval limit = {ms / 1000, (ms % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &limit) > 0;
}

}  // namespace

intptr_t Listen(uint16_t port, uint16_t* actualPort, std::string* error) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        *error = "WSAStartup failed";
        return 0;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        *error = "socket failed";
        return 0;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(s, 16) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        *error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ", error " +
                 std::to_string(WSAGetLastError());
        closesocket(s);
        return 0;
    }
    *actualPort = ntohs(address.sin_port);
    return static_cast<intptr_t>(s);
}

intptr_t AcceptWithin(intptr_t listener, int ms) {
    if (!Readable(static_cast<SOCKET>(listener), ms)) return 0;
    SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
}

int ReceiveWithin(intptr_t socket, char* buffer, int size, int ms) {
    if (!Readable(static_cast<SOCKET>(socket), ms)) return -2;
    int got = recv(static_cast<SOCKET>(socket), buffer, size, 0);
    return got < 0 ? -1 : got;
}

bool SendAll(intptr_t socket, const char* data, size_t length) {
    while (length > 0) {
        int sent = send(static_cast<SOCKET>(socket), data, static_cast<int>(length), 0);
        if (sent <= 0) return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

void CloseSocket(intptr_t socket) { closesocket(static_cast<SOCKET>(socket)); }

}  // namespace httptest
