#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

struct TraceSocket {
    SOCKET socket;
    int flags;
    unsigned short port;
    int spare;
};

namespace {

// In the form of perror, with the Winsock error's text.
void Report(const char* text) {
    const int error = WSAGetLastError();
    char message[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   message, sizeof message, nullptr);
    for (size_t n = std::strlen(message);
         n > 0 && (message[n - 1] == '\n' || message[n - 1] == '\r');)
        message[--n] = '\0';
    std::fprintf(stderr, "%s: %s\n", text, message[0] ? message : "unknown error");
}

}  // namespace

int TraceConnect(const char* host, int port, TraceSocket** result) {
    // The channel connects during static initialisation, before anyone else started Winsock.
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::fprintf(stderr, "thread_cnx socket: Winsock unavailable\n");
        return 1;
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        Report("thread_cnx socket");
        return 1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (host) {
        const hostent* entry = gethostbyname(host);
        if (!entry || !entry->h_addr_list[0]) {
            Report("thread_cnx  gethostbyname");
            closesocket(s);
            return 1;
        }
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    } else {
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        Report("thread_cnx connect");
        closesocket(s);
        return 1;
    }
    TraceSocket* record =
        new (std::nothrow) TraceSocket{s, -1, static_cast<unsigned short>(port), 0};
    if (!record) {
        std::perror("thread_cnx malloc");
        closesocket(s);
        return -1;
    }
    *result = record;
    return 0;
}

void TraceSend(TraceSocket* socket, const char* data, size_t size) {
    while (size > 0) {
        const int sent = send(socket->socket, data, static_cast<int>(size), 0);
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEINTR) continue;
        if (sent <= 0) return;  // drops the rest of the line
        data += sent;
        size -= static_cast<size_t>(sent);
    }
}

}  // namespace qel
