// The byte stream under the socket driver, and the body and head readers written over it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "http/http_watch.h"
#include "http/read_ahead.h"

class QELHttpTextBuffer;

class QELHttpConnection {
  public:
    static const uint16_t kConnected = 0x1;
    static const uint16_t kClosed = 0x2;

    QELHttpConnection() = default;
    virtual ~QELHttpConnection();
    QELHttpConnection(const QELHttpConnection&) = delete;
    QELHttpConnection& operator=(const QELHttpConnection&) = delete;

    // One send; the bytes sent or negative.
    virtual int32_t Send(const char* data, int32_t length) = 0;
    // Fills the buffer; the last receive result: positive full, 0 peer closed, negative error.
    virtual int32_t Receive(char* buffer, int32_t size, int32_t* count) = 0;
    // As Receive, stopping after "\r\n"; no byte past it is taken from what follows.
    virtual int32_t ReceiveLine(char* buffer, int32_t size, int32_t* count) = 0;
    virtual int32_t Close();
    // 0 readable, kHttpTimeout when nothing came in time, QEL_E_FAIL on error; -1 waits forever.
    virtual int32_t WaitReadable(int32_t milliseconds) = 0;

    // `limit` (0: none) is the most body bytes read: a body that passes it is cut there, and
    // the connection must then be closed, since the rest of the body is still in it.
    int32_t ReadUntilClose(char** body, int32_t* length, int32_t limit = 0);
    int32_t ReadChunked(char** body, int32_t* length, uint32_t flags, int32_t limit = 0);
    // `received`, when given, counts the bytes that came, also when they make no whole head.
    int32_t ReadHead(char** head, int32_t* length, int32_t* received = nullptr);
    int32_t ReadBody(uint32_t flags, int32_t* length, char** body, int32_t limit = 0);

    const char* HostName() const { return _hostName; }
    uint16_t Flags() const { return _flags; }
    void SetFlags(uint16_t flags) { _flags = flags; }

  protected:
    void SetHostName(char* hostName);
    // Appends exactly `size` received bytes; -9 when memory runs out, -4 when fewer came.
    int32_t ReceiveExactly(QELHttpTextBuffer* data, size_t size);

  private:
    char* _hostName = nullptr;
    uint16_t _flags = kClosed;
};

// Limits of a socket connection's waits in milliseconds; 0 waits without limit.
struct QELHttpSocketTimeouts {
    uint32_t connectMs = 0;
    uint32_t receiveMs = 0;  // for each receive call: the longest time without a byte
    uint32_t sendMs = 0;
};

// A QELHttpConnection over a TCP socket.
class QELHttpSocketConnection : public QELHttpConnection {
  public:
    QELHttpSocketConnection() = default;
    ~QELHttpSocketConnection() override;

    int32_t Send(const char* data, int32_t length) override;
    int32_t Receive(char* buffer, int32_t size, int32_t* count) override;
    int32_t ReceiveLine(char* buffer, int32_t size, int32_t* count) override;
    int32_t Close() override;
    int32_t WaitReadable(int32_t milliseconds) override;
    // Connects to `address`:`connectPort` (the host's own, or a proxy's) and remembers `host`
    // and `port` as the server the requests are for. `watch` (or null) is told of every byte
    // received and can stop every wait.
    int32_t Connect(const char* host, uint16_t port, uint32_t address, uint16_t connectPort,
                    const QELHttpSocketTimeouts& timeouts, QELHttpWatch* watch);
    // Applies the receive and send limits to the open socket.
    void SetTimeouts(const QELHttpSocketTimeouts& timeouts);
    uint16_t Port() const { return _port; }

  private:
    // One receive call, after waiting for bytes in slices: bytes, 0 closed, negative on error,
    // on the receive time-out and on a stop.
    int32_t ReceiveSliced(char* buffer, int32_t size);
    // ReceiveSliced for the read-ahead.
    static int32_t ReceiveAhead(void* connection, char* buffer, int32_t size);

    intptr_t _socket = 0;
    uint16_t _port = 0;
    uint32_t _receiveMs = 0;
    QELHttpWatch* _watch = nullptr;
    QELHttpReadAhead _ahead;
};
