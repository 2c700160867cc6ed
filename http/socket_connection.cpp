#include <cstdlib>
#include <cstring>

#include "http/http_connection.h"
#include "http/http_types.h"
#include "http/net_socket.h"
#include "http/text_buffer.h"

namespace {

const int32_t kMaxReceive = 65536;

}  // namespace

QELHttpSocketConnection::~QELHttpSocketConnection() { Close(); }

int32_t QELHttpSocketConnection::Connect(const char* host, uint16_t port, uint32_t address,
                                         uint16_t connectPort,
                                         const QELHttpSocketTimeouts& timeouts) {
    if (Flags() & kConnected) Close();
    if (!host) return -1;
    intptr_t socket = qelnet::ConnectTcp(address, connectPort, timeouts.connectMs);
    if (socket == qelnet::kNoSocket) return kHttpCannotConnect;
    char* name = QELHttpCopyText(host);
    if (!name || !qelnet::SetTimeouts(socket, timeouts.receiveMs, timeouts.sendMs)) {
        free(name);
        qelnet::CloseSocket(socket);
        return name ? kHttpCannotConnect : kHttpOutOfMemory;
    }
    if (_socket != qelnet::kNoSocket) qelnet::CloseSocket(_socket);
    _socket = socket;
    _port = port;
    SetHostName(name);
    SetFlags(kConnected);
    return kHttpOk;
}

void QELHttpSocketConnection::SetTimeouts(const QELHttpSocketTimeouts& timeouts) {
    if (_socket != qelnet::kNoSocket)
        qelnet::SetTimeouts(_socket, timeouts.receiveMs, timeouts.sendMs);
}

int32_t QELHttpSocketConnection::Send(const char* data, int32_t length) {
    if (_socket == qelnet::kNoSocket) return -1;
    return qelnet::SendSome(_socket, data, length);
}

int32_t QELHttpSocketConnection::Receive(char* buffer, int32_t size, int32_t* count) {
    *count = 0;
    if (_socket == qelnet::kNoSocket) return -1;
    int32_t last = 1;
    while (*count < size) {
        int32_t want = size - *count < kMaxReceive ? size - *count : kMaxReceive;
        last = qelnet::ReceiveSome(_socket, buffer + *count, want);
        if (last <= 0) break;
        *count += last;
    }
    return last;
}

int32_t QELHttpSocketConnection::ReceiveLine(char* buffer, int32_t size, int32_t* count) {
    *count = 0;
    if (_socket == qelnet::kNoSocket) return -1;
    int32_t last = 1;
    // One byte per call, so that no body byte is taken with the head.
    while (*count < size) {
        last = qelnet::ReceiveSome(_socket, buffer + *count, 1);
        if (last <= 0) break;
        ++*count;
        if (*count >= 2 && buffer[*count - 2] == '\r' && buffer[*count - 1] == '\n') break;
    }
    return last;
}

int32_t QELHttpSocketConnection::Close() {
    int32_t result = 0;
    if (_socket != qelnet::kNoSocket) result = qelnet::CloseSocket(_socket);
    _socket = qelnet::kNoSocket;
    QELHttpConnection::Close();
    return result;
}

int32_t QELHttpSocketConnection::WaitReadable(int32_t milliseconds) {
    if (_socket == qelnet::kNoSocket) return kHttpFail;
    int32_t ready = qelnet::WaitReadable(_socket, milliseconds);
    if (ready == 0) return kHttpTimeout;
    return ready > 0 ? kHttpOk : kHttpFail;
}
