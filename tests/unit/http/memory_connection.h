// A connection over bytes in memory, for the readers' tests and fuzz targets. Receive hands
// out at most `piece` bytes per underlying read, to exercise partial reads.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "http/http_connection.h"

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
        *count = 0;
        int32_t last = 1;
        while (*count < size) {
            last = Take(buffer + *count, std::min<size_t>(size - *count, _piece));
            if (last <= 0) break;
            *count += last;
        }
        return last;
    }
    int32_t ReceiveLine(char* buffer, int32_t size, int32_t* count) override {
        *count = 0;
        int32_t last = 1;
        while (*count < size) {
            last = Take(buffer + *count, 1);
            if (last <= 0) break;
            ++*count;
            if (*count >= 2 && buffer[*count - 2] == '\r' && buffer[*count - 1] == '\n') break;
        }
        return last;
    }
    int32_t WaitReadable(int32_t) override { return _at < _input.size() ? 0 : -1; }

    std::string sent;

  private:
    int32_t Take(char* buffer, size_t want) {
        size_t n = std::min(want, _input.size() - _at);
        memcpy(buffer, _input.data() + _at, n);
        _at += n;
        return static_cast<int32_t>(n);
    }
    std::string _input;
    size_t _piece;
    size_t _at = 0;
};
