// Reading a raw response head: status, framing, keep-alive, redirect target.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "http/header_text.h"
#include "http/http_driver.h"
#include "http/text_buffer.h"

namespace {

// The first of two spellings of a header name in the head.
const char* FindEither(const char* head, const char* first, const char* second, const char** name) {
    const char* found = strstr(head, first);
    *name = first;
    if (!found) {
        found = strstr(head, second);
        *name = second;
    }
    return found;
}

// The value of the first of two spellings of a header, up to its line's end; false without one.
bool HeaderValue(const char* block, const char* first, const char* second, const char** value,
                 size_t* length) {
    const char* name = nullptr;
    const char* found = FindEither(block, first, second, &name);
    const char* start = found ? found + strlen(name) : nullptr;
    const char* end = start ? strstr(start, "\r\n") : nullptr;
    if (!end) return false;
    *value = start;
    *length = static_cast<size_t>(end - start);
    return true;
}

// The decimal number at `at` (at most 18 digits), moving `at` past it; -1 without one.
int64_t NumberAt(const char* text, size_t length, size_t& at) {
    int64_t number = -1;
    for (size_t digits = 0; at < length && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        if (digits == 18) return -1;
        number = (number < 0 ? 0 : number * 10) + (text[at] - '0');
    }
    return number;
}

// Major, minor and status from the first 14 characters of the status line.
int32_t ParseStatusLine(const char* head, int32_t* major, int32_t* minor, int32_t* status) {
    const size_t kLooked = 14;
    char line[kLooked + 1] = {0};
    strncpy(line, head, kLooked);
    if (strncmp(line, "HTTP/", 5) != 0 || line[6] != '.') return kHttpBadFraming;
    *major = static_cast<int32_t>(strtol(line + 5, nullptr, 10));
    *minor = static_cast<int32_t>(strtol(line + 7, nullptr, 10));
    const char* blank = strchr(line + 7, ' ');
    *status = blank ? static_cast<int32_t>(strtol(blank + 1, nullptr, 10)) : 0;
    if (*major == 0 || *status == 0) return kHttpBadFraming;
    return kHttpOk;
}

bool StartsWithAnyCase(const char* text, const char* lowerPrefix, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (tolower(static_cast<unsigned char>(text[i])) != lowerPrefix[i]) return false;
    return true;
}

// Each Set-Cookie value, the name matched in any case at a line's start.
std::vector<std::string> SetCookieValues(const char* head, size_t length) {
    static const char kName[] = "set-cookie:";
    const size_t nameLength = sizeof(kName) - 1;
    std::vector<std::string> values;
    for (size_t line = 0; line < length;) {
        const char* end = QELHttpFind(head + line, length - line, "\r\n");
        const size_t lineEnd = end ? static_cast<size_t>(end - head) : length;
        size_t at = line + nameLength;
        if (lineEnd >= at && StartsWithAnyCase(head + line, kName, nameLength)) {
            while (at < lineEnd && (head[at] == ' ' || head[at] == '\t')) ++at;
            values.emplace_back(head + at, lineEnd - at);
        }
        line = lineEnd + 2;
    }
    return values;
}

}  // namespace

void QELHttpParseContentRange(const char* value, size_t length, int64_t* first, int64_t* last,
                              int64_t* total) {
    *first = *last = *total = -1;
    const std::string text(value, length);
    size_t at = text.find("bytes ");
    if (at != std::string::npos) {
        at += 6;
        const int64_t from = NumberAt(value, length, at);
        if (from >= 0 && at < length && value[at] == '-') {
            ++at;
            const int64_t to = NumberAt(value, length, at);
            if (to >= from) {
                *first = from;
                *last = to;
            }
        }
    }
    size_t slash = text.find('/');
    if (slash == std::string::npos) return;
    for (++slash; slash < length && value[slash] == ' '; ++slash) {
    }
    *total = NumberAt(value, length, slash);
}

int32_t QELHttpParseRetryAfter(const char* value, size_t length) {
    size_t at = 0;
    while (at < length && (value[at] == ' ' || value[at] == '\t')) ++at;
    const int64_t seconds = NumberAt(value, length, at);
    while (at < length && (value[at] == ' ' || value[at] == '\t')) ++at;
    if (seconds < 0 || at != length) return -1;
    return static_cast<int32_t>(seconds < 86400 ? seconds : 86400);
}

int32_t QELHttpDriver::ParseResponseHead(const char* url, const char* verb, const char* head,
                                         int32_t headLength, uint32_t flags,
                                         QELHttpResponseInfo* info) {
    if (!head || !info || headLength < 0) return kHttpInvalidArg;
    *info = QELHttpResponseInfo();
    // Work on a terminated copy: the block handed in need not be terminated.
    char* block = QELHttpCopyText(head, static_cast<size_t>(headLength));
    if (!block) return kHttpOutOfMemory;

    int32_t major = 0;
    int32_t result = ParseStatusLine(block, &major, &info->minorVersion, &info->status);
    if (result != kHttpOk) {
        free(block);
        return result;
    }
    int32_t status = info->status;
    info->head.assign(head, static_cast<size_t>(headLength));
    info->cookies = SetCookieValues(block, static_cast<size_t>(headLength));

    const char* connection = strstr(block, "Connection: ");
    info->keepAlive = !(connection && strstr(connection, "Close\r\n"));

    if (!(flags & kHttpFlagNoAuth) && ((status == 407 && !(flags & kHttpFlagNoProxyAuth)) ||
                                       (status == 401 && !(flags & kHttpFlagNoServerAuth)))) {
        result = HandleAuthChallenge(url, status, block, headLength);
        if (result < 0) {
            free(block);
            return result;
        }
    }

    if (status == 204 || status == 304 || (verb && strcmp(verb, "HEAD") == 0)) info->hasBody = 0;

    const char* name = nullptr;
    if (status >= 300 && status <= 399) {
        const char* location = FindEither(block, "Location: ", "location: ", &name);
        const char* value = location ? location + strlen(name) : nullptr;
        const char* end = value ? strstr(value, "\r\n") : nullptr;
        if (!end) {
            free(block);
            return kHttpInvalidResponse;
        }
        info->location = QELHttpCopyText(value, end - value);
        if (!info->location) {
            free(block);
            return kHttpOutOfMemory;
        }
    }

    const char* value = nullptr;
    size_t valueLength = 0;
    if (HeaderValue(block, "Content-Range: ", "Content-range: ", &value, &valueLength)) {
        info->contentRange.assign(value, valueLength);
        QELHttpParseContentRange(value, valueLength, &info->rangeFirst, &info->rangeLast,
                                 &info->rangeTotal);
    }
    if (HeaderValue(block, "Retry-After: ", "Retry-after: ", &value, &valueLength))
        info->retryAfterSeconds = QELHttpParseRetryAfter(value, valueLength);

    const char* type = FindEither(block, "Content-Type: ", "Content-type: ", &name);
    if (type) info->notPlain = strstr(type, "plain") == nullptr;

    const char* length = FindEither(block, "Content-Length: ", "Content-length: ", &name);
    if (length) {
        // A length that is negative or beyond 32 bits cannot frame a body.
        if (!QELHttpParseContentLength(length + strlen(name), &info->contentLength)) {
            free(info->location);
            info->location = nullptr;
            free(block);
            return kHttpBadFraming;
        }
        info->hasContentLength = 1;
        if (info->contentLength == 0) info->hasBody = 0;
    } else if (status >= 200 && status <= 599) {
        const char* encoding =
            FindEither(block, "Transfer-Encoding: ", "Transfer-encoding: ", &name);
        if (encoding) {
            if (!strstr(encoding, "\r\n")) {
                free(info->location);
                info->location = nullptr;
                free(block);
                return kHttpBadFraming;
            }
            if (strstr(encoding, "chunked")) {
                info->chunked = 1;
                info->contentLength = 0;
            }
        }
    }
    free(block);
    return kHttpOk;
}

void QELHttpDriver::ReceiveHead(const char* head, int32_t length) {
    _response = QELHttpResponseInfo();
    _response.head.assign(head, static_cast<size_t>(length));
    int32_t major = 0;
    // An unreadable status line leaves status 0, and the request model's parse refuses it.
    if (ParseStatusLine(_response.head.c_str(), &major, &_response.minorVersion,
                        &_response.status) != kHttpOk)
        _response.status = 0;
    _headWaiting = true;
}

void QELHttpDriver::DropHead() {
    _response = QELHttpResponseInfo();
    _headWaiting = false;
}
