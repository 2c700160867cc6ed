#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

struct TraceSocket {
    int socket;
    int flags;
    unsigned short port;
    int spare;
};

int TraceConnect(const char* host, int port, TraceSocket** result) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        std::perror("thread_cnx socket");
        return 1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    if (host) {
        const hostent* entry = gethostbyname(host);
        if (!entry || !entry->h_addr_list[0]) {
            std::perror("thread_cnx  gethostbyname");
            close(s);
            return 1;
        }
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    } else {
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("thread_cnx connect");
        close(s);
        return 1;
    }
    TraceSocket* record =
        new (std::nothrow) TraceSocket{s, -1, static_cast<unsigned short>(port), 0};
    if (!record) {
        std::perror("thread_cnx malloc");
        close(s);
        return -1;
    }
    *result = record;
    return 0;
}

// A collector that went away must not kill the process: no SIGPIPE.
void TraceSend(TraceSocket* socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(socket->socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return;  // drops the rest of the line
        data += sent;
        size -= static_cast<size_t>(sent);
    }
}

}  // namespace qel
