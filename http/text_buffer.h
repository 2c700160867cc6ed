// A growable, always terminated byte buffer on malloc, so that the blocks handed to callers
// can be released with free() and an allocation failure is a return value, not an exception.
#pragma once

#include <cstddef>

class QELHttpTextBuffer {
  public:
    QELHttpTextBuffer() = default;
    ~QELHttpTextBuffer();
    QELHttpTextBuffer(const QELHttpTextBuffer&) = delete;
    QELHttpTextBuffer& operator=(const QELHttpTextBuffer&) = delete;

    bool Append(const char* data, size_t length);
    bool Append(const char* text);
    // Makes room for `length` bytes at the end; the caller fills them and calls Commit.
    char* Reserve(size_t length);
    void Commit(size_t length) {
        _length += length;
        _data[_length] = 0;
    }
    void Truncate(size_t length);
    void Clear() { Truncate(0); }

    const char* Data() const { return _data ? _data : ""; }
    size_t Length() const { return _length; }
    bool Empty() const { return _length == 0; }
    // Hands the block over to the caller (never null on success); the buffer is empty afterwards.
    char* Release();

  private:
    char* _data = nullptr;
    size_t _length = 0;
    size_t _capacity = 0;
};

// A terminated heap copy of `length` bytes of `text`, or null.
char* QELHttpCopyText(const char* text, size_t length);
char* QELHttpCopyText(const char* text);
// Finds `needle` in the first `length` bytes of `haystack` (which need not be terminated).
const char* QELHttpFind(const char* haystack, size_t length, const char* needle);
