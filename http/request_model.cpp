// The request model, written once over the drivers' low-level operations: each public request
// becomes a Request, Run sends it, reads its answer, answers a challenge and follows a redirect
// with the same Request, one more redirect on its count.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/cookie_store.h"
#include "http/http_driver.h"
#include "http/url.h"

namespace {

bool IsAuthStatus(int32_t status) { return status == 401 || status == 407; }

bool IsRedirect(int32_t status, uint32_t flags) {
    return (status == 301 && !(flags & kHttpFlagNoRedirect)) || status == 302 || status == 303;
}

// The file-status modes Head answers with.
const uint16_t kModeRead = 0x100;
const uint16_t kModeWrite = 0x80;
const uint16_t kModeFile = 0x8000;
const uint16_t kModeDirectory = 0x4000;

// "QELHTTPPUT" is read once per process.
bool WritePermission() {
    static const bool writable = getenv("QELHTTPPUT") == nullptr;
    return writable;
}

}  // namespace

const char* QELHttpContentTypeLine(int contentType) {
    switch (contentType) {
        case kHttpContentForm:
            return "Content-Type: application/x-www-form-urlencoded\r\n";
        case kHttpContentHtml:
            return "Content-Type: text/HTML\r\n";
        case kHttpContentXml:
            return "Content-Type: text/xml\r\n";
        case kHttpContentXmlUtf8:
            return "Content-Type: text/xml;charset=utf-8\r\n";
        case kHttpContentOctets:
            return "Content-Type: application/octetstream\r\n";
        case kHttpContentNone:
            return nullptr;
        default:
            return "Content-Type: text/plain\r\n";
    }
}

struct QELHttpDriver::Request {
    const char* verb = nullptr;
    const char* url = nullptr;
    uint32_t flags = 0;
    const char* extra = nullptr;  // range line or the caller's extra lines
    bool hasContent = false;      // false: Get and GetRange, which send no body
    const char* data = nullptr;
    int32_t dataLength = 0;
    int contentType = kHttpContentNone;
    QELHttpSource* source = nullptr;
    char** body = nullptr;
    int32_t* length = nullptr;
    int* keepAlive = nullptr;
    std::string* redirect = nullptr;  // set: a redirect's target goes here, not followed
    int redirects = 0;                // followed so far to reach this request

    static Request Getting(const char* url, uint32_t flags, char** body, int32_t* length,
                           int* keepAlive) {
        Request request;
        request.verb = "GET";
        request.url = url;
        request.flags = flags;
        request.body = body;
        request.length = length;
        request.keepAlive = keepAlive;
        return request;
    }
};

int32_t QELHttpDriver::Get(const char* url, uint32_t flags, char** body, int32_t* length,
                           int* keepAlive) {
    Request request = Request::Getting(url, flags, body, length, keepAlive);
    return Run(request);
}

int32_t QELHttpDriver::GetRange(const char* url, uint32_t flags, int mode, int32_t from,
                                int32_t countOrTo, char** body, int32_t* length, int* keepAlive) {
    _followedRedirect = false;
    Request request = Request::Getting(url, flags, body, length, keepAlive);
    return RunRange(request, mode, from, countOrTo);
}

int32_t QELHttpDriver::ResolveRange(const char* url, uint32_t flags, int32_t from, int32_t count,
                                    std::string* target) {
    if (!target) return kHttpInvalidArg;
    target->clear();
    char* body = nullptr;
    int32_t length = 0;
    Request request = Request::Getting(url, flags, &body, &length, nullptr);
    request.redirect = target;
    const int32_t result = RunRange(request, 0, from, count);
    free(body);
    return result < 0 ? result : kHttpOk;
}

int32_t QELHttpDriver::Post(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                            int contentType, int* keepAlive, char** body, int32_t* length) {
    return SendWithBody("POST", url, flags, nullptr, data, dataLength, contentType, keepAlive, body,
                        length, nullptr);
}

int32_t QELHttpDriver::PostFromSource(const char* url, uint32_t flags, int contentType,
                                      QELHttpSource* source, int* keepAlive, char** body,
                                      int32_t* length) {
    if (!source) return kHttpInvalidArg;
    return SendWithBody("POST", url, flags, nullptr, nullptr, 0, contentType, keepAlive, body,
                        length, source);
}

int32_t QELHttpDriver::Put(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                           int contentType, int* keepAlive) {
    return SendWithBody("PUT", url, flags, nullptr, data, dataLength, contentType, keepAlive,
                        QEL_HTTP_DISCARD_BODY, QEL_HTTP_DISCARD_LENGTH, nullptr);
}

int32_t QELHttpDriver::Head(const char* url, uint32_t flags, QELHttpFileInfo* info) {
    if (!url || !info) return kHttpInvalidArg;
    memset(info, 0, sizeof(*info));
    Request request =
        Request::Getting(url, flags, QEL_HTTP_DISCARD_BODY, QEL_HTTP_DISCARD_LENGTH, nullptr);
    request.verb = "HEAD";
    const int32_t result = Run(request);
    const int32_t status = _response.status;
    // Head answers a final status as it is, where Run gives its negative.
    if (status > 0 && result == -status) return status;
    if (result < 0) return result;
    if (status != 200) return status;
    info->mode = kModeRead | (WritePermission() ? kModeWrite : 0);
    if (_response.hasContentLength) {
        info->mode |= kModeFile;
        info->size = _response.contentLength;
    } else {
        info->mode |= kModeDirectory;
    }
    return kHttpOk;
}

int32_t QELHttpDriver::SendWithBody(const char* verb, const char* url, uint32_t flags,
                                    const char* extra, const char* data, int32_t dataLength,
                                    int contentType, int* keepAlive, char** body, int32_t* length,
                                    QELHttpSource* source) {
    Request request;
    request.verb = verb;
    request.url = url;
    request.flags = flags;
    request.extra = extra;
    request.hasContent = true;
    request.data = data;
    request.dataLength = dataLength;
    request.contentType = contentType;
    request.source = source;
    request.body = body;
    request.length = length;
    request.keepAlive = keepAlive;
    return Run(request);
}

int32_t QELHttpDriver::RunRange(Request& request, int mode, int32_t from, int32_t countOrTo) {
    char rangeLine[2048];
    const char* accept = "Accept-Ranges: bytes\r\n";
    const char* range = "Range: bytes=";
    if (mode == 0) {
        // The last byte must stay a 32-bit number.
        int64_t last = static_cast<int64_t>(from) + countOrTo - 1;
        if (last > INT32_MAX || last < INT32_MIN) return kHttpInvalidArg;
        snprintf(rangeLine, sizeof(rangeLine), "%s%s%d-%d%s", accept, range, from,
                 static_cast<int32_t>(last), "\r\n");
    } else if (mode == 2 && from != 0) {
        snprintf(rangeLine, sizeof(rangeLine), "%s%s%d-%d%s", accept, range, from, countOrTo,
                 "\r\n");
    } else if (mode == 2) {
        snprintf(rangeLine, sizeof(rangeLine), "%s%s-%d%s", accept, range, countOrTo, "\r\n");
    } else {
        return kHttpInvalidArg;
    }
    // Asking for n bytes reads at most n + 1 of any answer, the redirects' included; a small
    // range still takes a redirect's or an error page's body whole. A request that only looks
    // for the redirect reads no more than that.
    const int64_t asked = mode == 0 || from == 0 ? static_cast<int64_t>(countOrTo)
                                                 : static_cast<int64_t>(countOrTo) - from + 1;
    const int64_t kSmallestLimit = 64 * 1024;
    struct LimitScope {
        int32_t& limit;
        int32_t before;
        ~LimitScope() { limit = before; }
    } scope{_bodyLimit, _bodyLimit};
    if (request.redirect)
        _bodyLimit = static_cast<int32_t>(kSmallestLimit);
    else if (asked > 0 && asked < INT32_MAX)
        _bodyLimit = static_cast<int32_t>(std::max(asked + 1, kSmallestLimit));
    request.extra = rangeLine;
    return Run(request);
}

int32_t QELHttpDriver::Run(Request& request) {
    if (!request.url || !request.body || !request.length) return kHttpInvalidArg;
    bool discardBody = request.body == QEL_HTTP_DISCARD_BODY;
    bool discardLength = request.length == QEL_HTTP_DISCARD_LENGTH;
    if (discardBody != discardLength) return kHttpInvalidArg;
    if (request.hasContent && request.contentType == kHttpContentNone && request.data &&
        request.dataLength > 0)
        return kHttpInvalidArg;

    char* localBody = nullptr;
    int32_t localLength = 0;
    char** body = discardBody ? &localBody : request.body;
    int32_t* length = discardBody ? &localLength : request.length;
    uint32_t flags = request.flags | (discardBody ? kHttpFlagDiscard : 0);
    *body = nullptr;
    *length = 0;

    if (_watch.stop) return kHttpCancelled;
    _response = QELHttpResponseInfo();
    int32_t result = OpenRequest(request.verb, request.url, flags, 0);
    if (result < 0) return result;
    result = AddCookieLine(request.url);
    if (result >= 0 && request.hasContent) {
        const char* typeLine = QELHttpContentTypeLine(request.contentType);
        if (typeLine) result = AddRequestHeaders(typeLine, kHttpAddCoalesceComma);
    }
    if (result >= 0 && request.extra)
        result = AddRequestHeaders(request.extra, kHttpAddCoalesceComma);
    if (result >= 0) result = Send(request);
    if (result < 0) return result;

    int32_t status = 0;
    char* location = nullptr;
    result = ExecuteResponse(request.url, request.verb, &status, flags, &location, body, length,
                             request.keepAlive);
    for (int retries = 0;
         result >= 0 && !(flags & kHttpFlagNoAuth) && IsAuthStatus(status) && retries < 3;
         ++retries) {
        ConnectUrl(request.url);
        free(*body);
        *body = nullptr;
        result = Send(request);
        if (result >= 0)
            result = ExecuteResponse(request.url, request.verb, &status, flags, &location, body,
                                     length, request.keepAlive);
    }

    bool success = status >= 200 && status <= 299;
    if (result >= 0 && IsRedirect(status, flags) && request.redirects < kHttpMaxRedirectDepth) {
        free(*body);
        *body = nullptr;
        *length = 0;
        const std::string target = RedirectTarget(request.url, location);
        free(location);
        if (request.redirect) {
            *request.redirect = target;
            return kHttpOk;
        }
        _followedRedirect = true;
        Request next = request;
        next.url = target.c_str();
        ++next.redirects;
        return Run(next);
    }
    free(location);
    if (result >= 0 && success) {
        free(localBody);
        return result;
    }
    free(*body);
    *body = nullptr;
    *length = 0;
    return result < 0 ? result : -status;
}

int32_t QELHttpDriver::Send(const Request& request) {
    if (request.source) {
        // A redirect or an authentication retry sends the body again from its first piece.
        const int32_t rewound = request.source->Rewind();
        return rewound < 0 ? rewound : SendRequestFromSource(request.source);
    }
    if (!request.hasContent) return SendRequest(nullptr, 0, 0);
    return SendRequest(request.data, request.dataLength,
                       request.contentType != kHttpContentNone ? 1 : 0);
}

int32_t QELHttpDriver::AddCookieLine(const char* url) {
    char* line = nullptr;
    if (BuildCookieLine(url, &line, 1) != kHttpOk) return kHttpOk;
    int32_t result = AddRequestHeaders(line, kHttpAddCoalesceComma);
    free(line);
    return result;
}

int32_t QELHttpDriver::ExecuteResponse(const char* url, const char* verb, int32_t* status,
                                       uint32_t flags, char** location, char** body,
                                       int32_t* length, int* keepAlive) {
    free(*location);
    int32_t result = TakeResponseHead(url, verb, flags & ~kHttpFlagDiscard, location);
    if (result < 0) return result;
    const QELHttpResponseInfo& info = _response;
    *status = info.status;
    if (keepAlive) *keepAlive = info.keepAlive;

    bool discard = (flags & kHttpFlagDiscard) != 0;
    bool read = false;
    int32_t readResult = kHttpOk;
    if (info.hasBody && (!discard || IsAuthStatus(info.status))) {
        int32_t got = info.contentLength;
        char* data = nullptr;
        readResult = ReadData(info.chunked ? kHttpReadChunked : 0, &got, &data);
        if (readResult >= 0) OnBody(data, got, info.notPlain);
        if (discard) {
            free(data);
            data = nullptr;
        }
        *body = data;
        *length = got;
        read = true;
    }

    for (const std::string& cookie : info.cookies) {
        const int32_t stored = StoreCookie(url, cookie.c_str());
        if (stored < 0) return stored;
    }
    if (!read) *length = info.contentLength;
    return readResult;
}

int32_t QELHttpDriver::TakeResponseHead(const char* url, const char* verb, uint32_t flags,
                                        char** location) {
    *location = nullptr;
    QELHttpResponseInfo info;
    int32_t result;
    if (_headWaiting) {
        _headWaiting = false;
        result = ParseResponseHead(url, verb, _response.head.data(),
                                   static_cast<int32_t>(_response.head.size()), flags, &info);
    } else {
        char* head = nullptr;
        int32_t headLength = 0;
        result = QueryInfo(&head, &headLength, nullptr, kHttpQueryRawHead, nullptr);
        if (result < 0) return result;
        result = ParseResponseHead(url, verb, head, headLength, flags, &info);
        free(head);
    }
    if (result < 0) {
        free(info.location);
        return result;
    }
    *location = info.location;
    info.location = nullptr;
    _response = std::move(info);
    return kHttpOk;
}
