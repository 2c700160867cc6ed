#include <cstdlib>

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
                                         const QELHttpSocketTimeouts& timeouts,
                                         QELHttpWatch* watch) {
    if (Flags() & kConnected) Close();
    if (!host) return -1;
    _watch = watch;
    intptr_t socket = qelnet::ConnectTcp(address, connectPort, timeouts.connectMs,
                                         watch ? &watch->stop : nullptr);
    if (socket == qelnet::kNoSocket) return kHttpCannotConnect;
    char* name = QELHttpCopyText(host);
    if (!name || !qelnet::SetTimeouts(socket, timeouts.receiveMs, timeouts.sendMs)) {
        free(name);
        qelnet::CloseSocket(socket);
        return name ? kHttpCannotConnect : kHttpOutOfMemory;
    }
    if (_socket != qelnet::kNoSocket) qelnet::CloseSocket(_socket);
    _socket = socket;
    _ahead.Clear();
    _port = port;
    _receiveMs = timeouts.receiveMs;
    SetHostName(name);
    SetFlags(kConnected);
    return kHttpOk;
}

void QELHttpSocketConnection::SetTimeouts(const QELHttpSocketTimeouts& timeouts) {
    _receiveMs = timeouts.receiveMs;
    if (_socket != qelnet::kNoSocket)
        qelnet::SetTimeouts(_socket, timeouts.receiveMs, timeouts.sendMs);
}

int32_t QELHttpSocketConnection::Send(const char* data, int32_t length) {
    if (_socket == qelnet::kNoSocket) return -1;
    return qelnet::SendSome(_socket, data, length);
}

int32_t QELHttpSocketConnection::ReceiveSliced(char* buffer, int32_t size) {
    // The time-out counts the slices waited without a byte, as the socket's own limit would.
    for (uint32_t waited = 0;; waited += kHttpWaitSliceMs) {
        if (_watch && _watch->stop) return -1;
        if (_receiveMs && waited >= _receiveMs) return -1;
        const int32_t ready = qelnet::WaitReadable(_socket, static_cast<int32_t>(kHttpWaitSliceMs));
        if (ready < 0) return -1;
        if (ready > 0) break;
    }
    const int32_t got = qelnet::ReceiveSome(_socket, buffer, size);
    if (got > 0 && _watch) _watch->received += got;
    return got;
}

int32_t QELHttpSocketConnection::ReceiveAhead(void* connection, char* buffer, int32_t size) {
    return static_cast<QELHttpSocketConnection*>(connection)->ReceiveSliced(buffer, size);
}

int32_t QELHttpSocketConnection::Receive(char* buffer, int32_t size, int32_t* count) {
    *count = 0;
    if (_socket == qelnet::kNoSocket) return -1;
    *count = _ahead.Take(buffer, size);
    int32_t last = 1;
    while (*count < size) {
        int32_t want = size - *count < kMaxReceive ? size - *count : kMaxReceive;
        last = ReceiveSliced(buffer + *count, want);
        if (last <= 0) break;
        *count += last;
    }
    return last;
}

int32_t QELHttpSocketConnection::ReceiveLine(char* buffer, int32_t size, int32_t* count) {
    *count = 0;
    if (_socket == qelnet::kNoSocket) return -1;
    return _ahead.ReceiveLine(buffer, size, count, &ReceiveAhead, this);
}

int32_t QELHttpSocketConnection::Close() {
    int32_t result = 0;
    if (_socket != qelnet::kNoSocket) result = qelnet::CloseSocket(_socket);
    _socket = qelnet::kNoSocket;
    _ahead.Clear();
    QELHttpConnection::Close();
    return result;
}

int32_t QELHttpSocketConnection::WaitReadable(int32_t milliseconds) {
    if (_socket == qelnet::kNoSocket) return QEL_E_FAIL;
    if (!_ahead.Empty()) return kHttpOk;
    int32_t ready = qelnet::WaitReadable(_socket, milliseconds);
    if (ready == 0) return kHttpTimeout;
    return ready > 0 ? kHttpOk : QEL_E_FAIL;
}
