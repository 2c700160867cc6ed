// Reading a raw response head: status, framing, keep-alive, redirect target.
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

}  // namespace

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
