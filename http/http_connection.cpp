// Head and body readers over any connection.
#include "http/http_connection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "http/http_types.h"
#include "http/text_buffer.h"

namespace {

const int32_t kLineBuffer = 1024;
const int32_t kFirstBodyBuffer = 2048;
// A head this large is not a head; refusing it keeps a broken peer from eating memory.
const size_t kMaxHead = 64 * 1024;

// Bodies are received in steps of this size, so that memory follows the bytes that arrived
// and not a length the peer announced.
const size_t kReceiveStep = 1024 * 1024;

bool EndsWith(const QELHttpTextBuffer& text, const char* tail) {
    size_t n = strlen(tail);
    return text.Length() >= n && memcmp(text.Data() + text.Length() - n, tail, n) == 0;
}

}  // namespace

QELHttpConnection::~QELHttpConnection() {
    free(_hostName);
    _hostName = nullptr;
    _flags = kClosed;
}

void QELHttpConnection::SetHostName(char* hostName) {
    free(_hostName);
    _hostName = hostName;
}

int32_t QELHttpConnection::Close() {
    SetHostName(nullptr);
    _flags = static_cast<uint16_t>((_flags & ~kConnected) | kClosed);
    return 0;
}

int32_t QELHttpConnection::ReadHead(char** head, int32_t* length, int32_t* received) {
    *head = nullptr;
    *length = 0;
    if (received) *received = 0;
    QELHttpTextBuffer text;
    char line[kLineBuffer];
    for (;;) {
        memset(line, 0, sizeof(line));
        int32_t count = 0;
        const int32_t last = ReceiveLine(line, sizeof(line), &count);
        if (received) *received += count;
        if (last < 1) return kHttpReadFailed;
        if (!text.Append(line, count) || text.Length() > kMaxHead) return kHttpReadFailed;
        if (text.Length() == 2 ? EndsWith(text, "\r\n") : EndsWith(text, "\r\n\r\n")) break;
    }
    *length = static_cast<int32_t>(text.Length());
    *head = text.Release();
    return *head ? kHttpOk : kHttpReadFailed;
}

int32_t QELHttpConnection::ReadUntilClose(char** body, int32_t* length, int32_t limit) {
    *body = nullptr;
    *length = 0;
    const size_t most = static_cast<size_t>(limit);
    QELHttpTextBuffer data;
    size_t room = kFirstBodyBuffer;
    while (limit <= 0 || data.Length() < most) {
        if (limit > 0 && room > most - data.Length()) room = most - data.Length();
        if (room > static_cast<size_t>(INT32_MAX) - data.Length()) return kHttpReadNoMemory;
        char* space = data.Reserve(room);
        if (!space) return kHttpReadNoMemory;
        int32_t count = 0;
        int32_t result = Receive(space, static_cast<int32_t>(room), &count);
        if (result < 0) return result;
        data.Commit(count);
        if (result == 0) break;
        room = data.Length();
    }
    *length = static_cast<int32_t>(data.Length());
    *body = data.Release();
    return *body ? kHttpOk : kHttpReadNoMemory;
}

int32_t QELHttpConnection::ReceiveExactly(QELHttpTextBuffer* data, size_t size) {
    while (size > 0) {
        size_t step = size < kReceiveStep ? size : kReceiveStep;
        char* space = data->Reserve(step);
        if (!space) return kHttpReadNoMemory;
        int32_t count = 0;
        int32_t result = Receive(space, static_cast<int32_t>(step), &count);
        if (result < 0 || count != static_cast<int32_t>(step)) return kHttpReadShort;
        data->Commit(step);
        size -= step;
    }
    return kHttpOk;
}

int32_t QELHttpConnection::ReadChunked(char** body, int32_t* length, uint32_t flags,
                                       int32_t limit) {
    *body = nullptr;
    *length = 0;
    QELHttpTextBuffer data;
    char line[kLineBuffer];
    for (;;) {
        memset(line, 0, sizeof(line));
        int32_t count = 0;
        int32_t result = ReceiveLine(line, sizeof(line) - 1, &count);
        // A body cut off before its last chunk is a failure, not a shorter body.
        if (result < 1 || count < 2 || memcmp(line + count - 2, "\r\n", 2) != 0)
            return kHttpReadShort;
        unsigned long size = 0;
        if (sscanf(line, "%lx", &size) != 1) return kHttpBadFraming;
        if (size > static_cast<unsigned long>(INT32_MAX) - data.Length()) return kHttpReadNoMemory;
        const bool cut = limit > 0 && data.Length() + size > static_cast<size_t>(limit);
        if (cut) size = static_cast<size_t>(limit) - data.Length();
        result = ReceiveExactly(&data, size);
        if (result != kHttpOk) return result;
        if (cut) break;
        char crlf[2] = {0, 0};
        result = Receive(crlf, 2, &count);
        if (count != 2 || memcmp(crlf, "\r\n", 2) != 0) return kHttpReadShort;
        if (result == 0 || size == 0 || (flags & 0x1000)) break;
    }
    *length = static_cast<int32_t>(data.Length());
    *body = data.Release();
    return *body ? kHttpOk : kHttpReadNoMemory;
}

int32_t QELHttpConnection::ReadBody(uint32_t flags, int32_t* length, char** body, int32_t limit) {
    *body = nullptr;
    if (flags & 0x1) {
        int32_t result = ReadChunked(body, length, flags, limit);
        return result < 0 ? kHttpReadFailed : result;
    }
    if (*length == 0) {
        int32_t result = ReadUntilClose(body, length, limit);
        return result < 0 ? kHttpReadFailed : result;
    }
    if (*length < 0) return kHttpInvalidArg;
    // An announced length is no reason to read more than was asked for.
    if (limit > 0 && *length > limit) *length = limit;
    QELHttpTextBuffer data;
    int32_t result = ReceiveExactly(&data, static_cast<size_t>(*length));
    if (result != kHttpOk) {
        *length = 0;
        return result == kHttpReadNoMemory ? result : kHttpReadFailed;
    }
    *body = data.Release();
    return *body ? kHttpOk : kHttpReadNoMemory;
}
