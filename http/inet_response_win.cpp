// WinInet driver: header queries, options and body reading.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "http/inet_driver.h"
#include "http/text_buffer.h"

namespace {

// The most one read asks for, and so the largest block a body gets before its bytes come.
const DWORD kLargestRead = 1024 * 1024;

// A buffer for HttpQueryInfoA: zeroed, holding the header name of a custom query.
char* QueryBuffer(DWORD size, const char* name) {
    char* buffer = static_cast<char*>(calloc(size + 1, 1));
    if (buffer && name) memcpy(buffer, name, strlen(name));
    return buffer;
}

bool IsTimeout(uint32_t option) {
    return option == INTERNET_OPTION_CONNECT_TIMEOUT || option == INTERNET_OPTION_SEND_TIMEOUT ||
           option == INTERNET_OPTION_RECEIVE_TIMEOUT;
}

}  // namespace

int32_t QELHttpInetDriver::QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                                     const char* name) {
    if (!_request) return kHttpDisconnected;
    if (!value || !length) return kHttpInvalidArg;
    *value = nullptr;
    *length = 0;
    bool custom = (level & kHttpQueryLevelMask) == kHttpQueryCustom;
    if (custom != (name != nullptr)) return kHttpInvalidArg;
    DWORD size = custom ? static_cast<DWORD>(strlen(name) + 256) : 0;
    char* buffer = QueryBuffer(size, name);
    if (!buffer) return kHttpOutOfMemory;
    DWORD* next = reinterpret_cast<DWORD*>(index);
    DWORD first = index ? *next : 0;
    BOOL ok = _inet.HttpQueryInfoA(_request, level, buffer, &size, next);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        free(buffer);
        buffer = QueryBuffer(size, name);
        if (!buffer) return kHttpOutOfMemory;
        if (index) *next = first;
        ok = _inet.HttpQueryInfoA(_request, level, buffer, &size, next);
    }
    if (!ok) {
        free(buffer);
        return kHttpSendFailed;
    }
    *value = buffer;
    *length = static_cast<int32_t>(size);
    return kHttpOk;
}

int32_t QELHttpInetDriver::QueryOption(uint32_t option, void* value, int32_t* size) {
    if (!size) return kHttpInvalidArg;
    bool known = IsTimeout(option) || option == kHttpOptionParentWindow;
    if (!value) {
        if (!known) return kHttpInvalidArg;
        *size = 4;
        return kHttpOk;
    }
    if (*size != 4 || !known) return kHttpInvalidArg;
    uint32_t answer = 0;
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            answer = _connectTimeout;
            break;
        case INTERNET_OPTION_SEND_TIMEOUT:
            answer = _sendTimeout;
            break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            answer = _receiveTimeout;
            break;
        default:
            answer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(_parent));
            break;
    }
    memcpy(value, &answer, 4);
    return kHttpOk;
}

int32_t QELHttpInetDriver::SetOption(uint32_t option, const void* value, int32_t size) {
    if (!value || size <= 0) return kHttpInvalidArg;
    uint32_t number = 0;
    if (size == 4) memcpy(&number, value, 4);
    void* data = const_cast<void*>(value);
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
        case INTERNET_OPTION_SEND_TIMEOUT:
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            if (size != 4) return kHttpInvalidArg;
            (option == INTERNET_OPTION_CONNECT_TIMEOUT ? _connectTimeout
             : option == INTERNET_OPTION_SEND_TIMEOUT  ? _sendTimeout
                                                       : _receiveTimeout) = number;
            return kHttpOk;
        case kHttpOptionParentWindow:
            if (size != 4) return kHttpInvalidArg;
            _parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
            return kHttpOk;
        case INTERNET_OPTION_USERNAME:
        case INTERNET_OPTION_PASSWORD:
            if (!_connection) return kHttpIncorrectHandleState;
            if (!_inet.InternetSetOptionA(_connection, option, data, static_cast<DWORD>(size)))
                return QELHttpLastError();
            _state |= kStateCredentials;
            return kHttpOk;
        case INTERNET_OPTION_SECURITY_FLAGS:
            if (size != 4) return kHttpInvalidArg;
            _securityFlags |= number;
            return kHttpOk;
        case INTERNET_OPTION_PROXY_USERNAME:
        case INTERNET_OPTION_PROXY_PASSWORD:
            if (!_internet) return kHttpIncorrectHandleState;
            if (!_inet.InternetSetOptionA(_internet, option, data, static_cast<DWORD>(size)))
                return QELHttpLastError();
            return kHttpOk;
        default:
            return kHttpInvalidArg;
    }
}

// Reads whatever arrives until the end (a chunked body, decoded by WinInet), or up to the
// body limit.
int32_t QELHttpInetDriver::ReadAvailable(char** body, int32_t* length, bool onePiece) {
    const DWORD most = _bodyLimit > 0 ? static_cast<DWORD>(_bodyLimit) : MAXDWORD;
    QELHttpTextBuffer data;
    while (data.Length() < most) {
        DWORD available = 0;
        if (!_inet.InternetQueryDataAvailable(_request, &available, 0, 0)) return kHttpNoAvailable;
        if (available == 0) break;
        if (available > most - data.Length()) available = most - data.Length();
        char* space = data.Reserve(available);
        if (!space) return kHttpOutOfMemory;
        DWORD got = 0;
        if (!_inet.InternetReadFile(_request, space, available, &got)) return kHttpReadShort;
        if (got == 0) break;
        _watch.received += got;
        data.Commit(got);
        if (onePiece) break;
    }
    *length = static_cast<int32_t>(data.Length());
    *body = data.Release();
    return *body ? kHttpOk : kHttpOutOfMemory;
}

// Reads a body of the given length (0: as much as arrives); a body cut short gives -4 with
// the length received. A body past the body limit is cut there. The body gets one block when
// its size is known, up to what was asked for (a server may announce gigabytes and send
// nothing), and each read asks for all that is still expected: the calls per body, not the
// bytes, are what WinInet makes slow.
int32_t QELHttpInetDriver::ReadExpected(int32_t* length, char** body) {
    DWORD expected = static_cast<DWORD>(*length);
    if (expected == 0 && !_inet.InternetQueryDataAvailable(_request, &expected, 0, 0))
        return kHttpNoAvailable;
    const DWORD most = _bodyLimit > 0 ? static_cast<DWORD>(_bodyLimit) : MAXDWORD;
    QELHttpTextBuffer data;
    if (!data.Reserve(std::min(std::min(expected, most), kLargestRead))) return kHttpOutOfMemory;
    while (data.Length() < most) {
        DWORD available = 0;
        if (!_inet.InternetQueryDataAvailable(_request, &available, 0, 0)) return kHttpNoAvailable;
        if (data.Length() + available > expected) expected = data.Length() + available;
        if (available == 0 && data.Length() == expected) break;
        DWORD want = std::min(static_cast<DWORD>(expected - data.Length()), kLargestRead);
        if (want > most - data.Length()) want = most - data.Length();
        char* space = data.Reserve(want);
        if (!space) return kHttpOutOfMemory;
        DWORD got = 0;
        if (!_inet.InternetReadFile(_request, space, want, &got)) return kHttpReadShort;
        if (got == 0) break;
        _watch.received += got;
        data.Commit(got);
    }
    *length = static_cast<int32_t>(data.Length());
    if (data.Length() != expected && data.Length() < most) return kHttpReadShort;
    *body = data.Release();
    return *body ? kHttpOk : kHttpOutOfMemory;
}

int32_t QELHttpInetDriver::ReadData(uint32_t flags, int32_t* length, char** body) {
    if (!_request) return kHttpDisconnected;
    if (!length || !body) return kHttpInvalidArg;
    *body = nullptr;
    if (flags & kHttpReadChunked) return ReadAvailable(body, length, flags & kHttpReadOnePiece);
    if (*length < 0) return kHttpInvalidArg;
    return ReadExpected(length, body);
}

int32_t QELHttpInetDriver::ReadResponse(uint32_t flags, int32_t* length, char** body,
                                        int* complete) {
    if (!length || !body || !complete) return kHttpInvalidArg;
    *length = 0;
    *complete = 0;
    bool settled = false;
    if (_bodyLengthMode == -2) {
        char* value = nullptr;
        int32_t size = 0;
        if (QueryInfo(&value, &size, nullptr, kHttpQueryTransferEncoding, nullptr) == kHttpOk &&
            strstr(value, "chunked")) {
            _bodyLengthMode = -1;
        } else {
            free(value);
            value = nullptr;
            int32_t contentLength = 0;
            if (QueryInfo(&value, &size, nullptr, kHttpQueryContentLength | kHttpQueryNumber,
                          nullptr) == kHttpOk)
                memcpy(&contentLength, value, 4);
            _bodyLengthMode = contentLength;
            *length = contentLength;
            settled = true;
        }
        free(value);
    }
    int32_t result;
    if (_bodyLengthMode == -1) {
        result = ReadData(flags | kHttpReadChunked, length, body);
        *complete = result == kHttpOk && *length == 0;
    } else {
        if (!settled) *length = 0;
        result = ReadData(0, length, body);
        *complete = result == kHttpOk;
    }
    if ((flags & kHttpReadOnePiece) && *complete) {
        char* connection = nullptr;
        int32_t size = 0;
        if (QueryInfo(&connection, &size, nullptr, kHttpQueryConnection, nullptr) == kHttpOk &&
            strstr(connection, "Close")) {
            Drop(_request);
        }
        free(connection);
    }
    return result;
}
