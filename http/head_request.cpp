// Head: what a URL answers, as a file-status record.
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/http_client.h"
#include "http/http_driver.h"
#include "http/cookie_store.h"
#include "http/url.h"

namespace {

thread_local int t_headDepth = 0;

struct HeadDepthGuard {
    HeadDepthGuard() { ++t_headDepth; }
    ~HeadDepthGuard() { --t_headDepth; }
    bool TooDeep() const { return t_headDepth > kHttpMaxRedirectDepth; }
};

const uint16_t kModeRead = 0x100;
const uint16_t kModeWrite = 0x80;
const uint16_t kModeFile = 0x8000;
const uint16_t kModeDirectory = 0x4000;

// "QELHTTPPUT" is read once per process.
bool WritePermission() {
    static const bool writable = getenv("QELHTTPPUT") == nullptr;
    return writable;
}

bool ReissuesHead(int32_t status, uint32_t flags) {
    return (status == 301 && !(flags & kHttpFlagNoRedirect)) || status == 302 || status == 303 ||
           (status == 407 && !(flags & kHttpFlagNoAuth)) || status == 401;
}

}  // namespace

int32_t QELHttpDriver::Head(const char* url, uint32_t flags, QELHttpFileInfo* info) {
    if (!url || !info) return kHttpInvalidArg;
    memset(info, 0, sizeof(*info));
    if (_watch.stop) return kHttpCancelled;
    HeadDepthGuard depth;

    int32_t result = OpenRequest("HEAD", url, flags, 0);
    if (result < 0) return result;
    char* cookies = nullptr;
    if (BuildCookieLine(url, &cookies, 1) == kHttpOk) {
        result = AddRequestHeaders(cookies, kHttpAddCoalesceComma);
        free(cookies);
        if (result < 0) return result;
    }
    result = SendRequest(nullptr, 0, 0);
    if (result < 0) return result;
    char* location = nullptr;
    result = TakeResponseHead(url, "HEAD", 0, &location);
    if (result < 0) return result;

    const int32_t status = _response.status;
    if (ReissuesHead(status, flags) && !depth.TooDeep()) {
        // The owner may replace this driver (secure URLs), so nothing of it is used afterwards.
        const std::string next = RedirectTarget(url, location);
        free(location);
        QELHttpClient* owner = _owner;
        return owner ? owner->Head(next.c_str(), info) : Head(next.c_str(), 0, info);
    }
    free(location);
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
