#include "http/text_buffer.h"

#include <cstdlib>
#include <cstring>

QELHttpTextBuffer::~QELHttpTextBuffer() { free(_data); }

char* QELHttpTextBuffer::Reserve(size_t length) {
    if (length > static_cast<size_t>(-1) / 2 - _length) return nullptr;
    size_t needed = _length + length + 1;
    if (needed > _capacity) {
        // The first block is as large as asked for; later ones double.
        size_t capacity = _capacity ? _capacity : needed;
        while (capacity < needed) capacity *= 2;
        char* grown = static_cast<char*>(realloc(_data, capacity));
        if (!grown) return nullptr;
        _data = grown;
        _capacity = capacity;
    }
    return _data + _length;
}

bool QELHttpTextBuffer::Append(const char* data, size_t length) {
    char* end = Reserve(length);
    if (!end) return false;
    if (length) memcpy(end, data, length);
    Commit(length);
    return true;
}

bool QELHttpTextBuffer::Append(const char* text) { return Append(text, strlen(text)); }

void QELHttpTextBuffer::Truncate(size_t length) {
    if (length < _length) {
        _length = length;
        _data[_length] = 0;
    }
}

char* QELHttpTextBuffer::Release() {
    if (!_data && !Reserve(0)) return nullptr;
    _data[_length] = 0;
    char* block = _data;
    _data = nullptr;
    _length = _capacity = 0;
    return block;
}

char* QELHttpCopyText(const char* text, size_t length) {
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy) return nullptr;
    if (length) memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

char* QELHttpCopyText(const char* text) { return QELHttpCopyText(text, strlen(text)); }

const char* QELHttpFind(const char* haystack, size_t length, const char* needle) {
    size_t n = strlen(needle);
    if (n == 0) return haystack;
    for (size_t i = 0; i + n <= length; ++i) {
        if (haystack[i] == needle[0] && memcmp(haystack + i, needle, n) == 0) return haystack + i;
    }
    return nullptr;
}
