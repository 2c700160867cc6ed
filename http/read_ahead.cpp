#include "http/read_ahead.h"

#include <cstring>

int32_t QELHttpReadAhead::Take(char* buffer, int32_t size) {
    const int32_t available = _end - _start;
    const int32_t taken = available < size ? available : size;
    if (taken > 0) memcpy(buffer, _bytes + _start, static_cast<size_t>(taken));
    _start += taken;
    return taken;
}

int32_t QELHttpReadAhead::ReceiveLine(char* buffer, int32_t size, int32_t* count,
                                      ReceiveSome receive, void* stream) {
    *count = 0;
    int32_t last = 1;
    while (*count < size) {
        if (Empty()) {
            last = receive(stream, _bytes, kSize);
            if (last <= 0) break;
            _start = 0;
            _end = last;
        }
        buffer[(*count)++] = _bytes[_start++];
        if (*count >= 2 && buffer[*count - 2] == '\r' && buffer[*count - 1] == '\n') break;
    }
    return last;
}
