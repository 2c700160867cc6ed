// Lines are received a block at a time, not a byte per call: the bytes past a line (the start
// of a body, say) wait here for the next read, so none is lost to the head.
#pragma once

#include <cstdint>

class QELHttpReadAhead {
  public:
    // One receive call of the stream below: the bytes, 0 when the peer closed, negative on error.
    using ReceiveSome = int32_t (*)(void* stream, char* buffer, int32_t size);

    // Moves up to `size` bytes received ahead into the buffer; how many.
    int32_t Take(char* buffer, int32_t size);
    // As QELHttpConnection::ReceiveLine, refilling from `stream` a block at a time.
    int32_t ReceiveLine(char* buffer, int32_t size, int32_t* count, ReceiveSome receive,
                        void* stream);
    bool Empty() const { return _start == _end; }
    void Clear() { _start = _end = 0; }

  private:
    static const int32_t kSize = 4096;
    char _bytes[kSize];
    int32_t _start = 0;
    int32_t _end = 0;
};
