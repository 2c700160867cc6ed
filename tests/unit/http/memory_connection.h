// A connection over bytes in memory, for the readers' tests and fuzz targets. It reads ahead
// as the socket connection does; each underlying read hands out at most `piece` bytes, to
// exercise partial reads.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "http/http_connection.h"
#include "http/read_ahead.h"

class MemoryConnection : public QELHttpConnection {
  public:
    explicit MemoryConnection(std::string input, size_t piece = 7)
        : _input(std::move(input)), _piece(piece) {
        SetFlags(kConnected);
    }
    int32_t Send(const char* data, int32_t length) override {
        sent.append(data, length);
        return length;
    }
    int32_t Receive(char* buffer, int32_t size, int32_t* count) override {
        *count = _ahead.Take(buffer, size);
        int32_t last = 1;
        while (*count < size) {
            last = TakeSome(this, buffer + *count, size - *count);
            if (last <= 0) break;
            *count += last;
        }
        return last;
    }
    int32_t ReceiveLine(char* buffer, int32_t size, int32_t* count) override {
        return _ahead.ReceiveLine(buffer, size, count, &TakeSome, this);
    }
    int32_t WaitReadable(int32_t) override {
        return !_ahead.Empty() || _at < _input.size() ? 0 : -1;
    }

    std::string sent;

  private:
    static int32_t TakeSome(void* self, char* buffer, int32_t size) {
        auto* connection = static_cast<MemoryConnection*>(self);
        size_t n = std::min({static_cast<size_t>(size), connection->_piece,
                             connection->_input.size() - connection->_at});
        memcpy(buffer, connection->_input.data() + connection->_at, n);
        connection->_at += n;
        return static_cast<int32_t>(n);
    }
    std::string _input;
    size_t _piece;
    size_t _at = 0;
    QELHttpReadAhead _ahead;
};
