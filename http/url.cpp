#include "http/url.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "http/text_buffer.h"

namespace {

const char kHttpScheme[] = "http://";
const char kHttpsScheme[] = "https://";

size_t SchemeLength(const char* url) {
    if (strncmp(url, kHttpScheme, 7) == 0) return 7;
    if (strncmp(url, kHttpsScheme, 8) == 0) return 8;
    return 0;
}

bool IsLetterOrDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters of the path that travel unescaped.
bool PathKeeps(unsigned char c) {
    if (c < 32 || c >= 127 || IsLetterOrDigit(c)) return true;
    return strchr("!$'()*+,-./=_", c) != nullptr;
}

// Characters of the query that must be escaped.
bool QueryEscapes(unsigned char c) { return strchr(" \"#%<>[]^`{|}~", c) != nullptr; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Delivers one component by the mode its length and pointer select.
int32_t Deliver(const char* start, size_t length, char** text, uint32_t* textLength) {
    if (*textLength == 0) {
        *textLength = static_cast<uint32_t>(length);
        return kHttpOk;
    }
    if (!*text) {
        *text = const_cast<char*>(start);
        *textLength = static_cast<uint32_t>(length);
        return kHttpOk;
    }
    if (*textLength <= length) return kHttpBufferTooSmall;
    if (length) memcpy(*text, start, length);
    (*text)[length] = 0;
    *textLength = static_cast<uint32_t>(length);
    return kHttpOk;
}

bool AsksForPointer(char* text, uint32_t length) { return length != 0 && text == nullptr; }

// Reads the port text after a colon; a text of 8 characters or more, or a value that does not
// fit 16 bits, is refused rather than cut to a wrong port.
int32_t ReadPort(const char* text, size_t length, uint16_t* port) {
    if (length >= 8) return kHttpInvalidUrl;
    char field[8] = {0};
    memcpy(field, text, length);
    char* end = nullptr;
    long value = strtol(field, &end, 10);
    if (end == field) {
        *port = 80;
        return kHttpOk;
    }
    if (value < 0 || value > 65535) return kHttpInvalidUrl;
    *port = static_cast<uint16_t>(value);
    return kHttpOk;
}

int32_t SplitText(const char* url, size_t n, QELHttpUrlParts* parts) {
    size_t schemeLength = 0;
    int32_t schemeNumber = kHttpSchemeUnknown;
    if (n >= 7 && strncmp(url, kHttpScheme, 7) == 0) {
        schemeLength = 7;
        schemeNumber = kHttpSchemeHttp;
    } else if (n >= 8 && strncmp(url, kHttpsScheme, 8) == 0) {
        schemeLength = 8;
        schemeNumber = kHttpSchemeHttps;
    }
    const char* end = url + n;
    const char* authority = url + schemeLength;
    const char* slash = static_cast<const char*>(memchr(authority, '/', end - authority));
    const char* authorityEnd = slash ? slash : end;

    const char* host = authority;
    const char* user = authority;
    size_t userLength = 0;
    const char* password = authority;
    size_t passwordLength = 0;
    const char* at = static_cast<const char*>(memchr(authority, '@', authorityEnd - authority));
    if (at) {
        const char* colon = static_cast<const char*>(memchr(authority, ':', at - authority));
        // A second "@" leaves a host that others (a proxy, say) read as the name after it.
        if (!colon || memchr(at + 1, '@', authorityEnd - at - 1)) return kHttpInvalidUrl;
        userLength = colon - authority;
        password = colon + 1;
        passwordLength = at - password;
        host = at + 1;
    }
    const char* portColon = static_cast<const char*>(memchr(host, ':', authorityEnd - host));
    const char* hostEnd = portColon ? portColon : authorityEnd;
    uint16_t port = schemeNumber == kHttpSchemeHttps ? 443 : 80;
    if (portColon) {
        int32_t result = ReadPort(portColon + 1, authorityEnd - portColon - 1, &port);
        if (result != kHttpOk) return result;
    }

    const char* path = authorityEnd;
    const char* extra = authorityEnd;
    if (slash) {
        extra = static_cast<const char*>(memchr(slash, '?', end - slash));
        if (!extra) extra = static_cast<const char*>(memchr(slash, '#', end - slash));
        if (!extra) extra = end;
    }

    parts->schemeNumber = schemeNumber;
    parts->port = port;
    int32_t result = Deliver(url, schemeLength, &parts->scheme, &parts->schemeLength);
    if (result == kHttpOk) result = Deliver(host, hostEnd - host, &parts->host, &parts->hostLength);
    if (result == kHttpOk)
        result = Deliver(user, userLength, &parts->userName, &parts->userNameLength);
    if (result == kHttpOk)
        result = Deliver(password, passwordLength, &parts->password, &parts->passwordLength);
    if (result == kHttpOk) result = Deliver(path, extra - path, &parts->path, &parts->pathLength);
    if (result == kHttpOk) result = Deliver(extra, end - extra, &parts->extra, &parts->extraLength);
    return result;
}

int32_t Escape(const char* url, char** escaped) {
    size_t schemeLength = SchemeLength(url);
    if (!schemeLength) return kHttpInvalidArg;
    const char* slash = strchr(url + schemeLength, '/');
    if (!slash) {
        *escaped = QELHttpCopyText(url);
        return *escaped ? kHttpOk : kHttpOutOfMemory;
    }
    QELHttpTextBuffer out;
    if (!out.Append(url, slash - url)) return kHttpOutOfMemory;
    bool inQuery = false;
    for (const char* p = slash; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        bool keep;
        if (inQuery) {
            keep = !QueryEscapes(c);
        } else if (c == '?') {
            inQuery = true;
            keep = true;
        } else {
            keep = PathKeeps(c);
        }
        static const char kHex[] = "0123456789abcdef";
        char code[3] = {'%', kHex[c >> 4], kHex[c & 15]};
        if (!(keep ? out.Append(p, 1) : out.Append(code, 3))) return kHttpOutOfMemory;
    }
    *escaped = out.Release();
    return *escaped ? kHttpOk : kHttpOutOfMemory;
}

int32_t Unescape(const char* url, char** decoded) {
    if (!SchemeLength(url)) return kHttpInvalidArg;
    QELHttpTextBuffer out;
    for (const char* p = url; *p; ++p) {
        int high = p[0] == '%' ? HexValue(p[1]) : -1;
        int low = high >= 0 ? HexValue(p[2]) : -1;
        char c = low >= 0 ? static_cast<char>(high * 16 + low) : *p;
        if (!out.Append(&c, 1)) return kHttpOutOfMemory;
        if (low >= 0) p += 2;
    }
    *decoded = out.Release();
    return *decoded ? kHttpOk : kHttpOutOfMemory;
}

// A copy of one component, measured by a first split with all lengths 0.
struct SplitCopies {
    char* host = nullptr;
    char* path = nullptr;
    char* extra = nullptr;
    char* scheme = nullptr;
    uint16_t port = 80;
    ~SplitCopies() {
        free(host);
        free(path);
        free(extra);
        free(scheme);
    }
};

int32_t SplitInCopies(const char* url, SplitCopies* copies) {
    QELHttpUrlParts parts = {};
    parts.structSize = sizeof(parts);
    int32_t result = SplitUrl(url, 0, 0, &parts);
    if (result != kHttpOk) return result;
    copies->scheme = static_cast<char*>(malloc(parts.schemeLength + 1));
    copies->host = static_cast<char*>(malloc(parts.hostLength + 1));
    copies->path = static_cast<char*>(malloc(parts.pathLength + 1));
    copies->extra = static_cast<char*>(malloc(parts.extraLength + 1));
    if (!copies->scheme || !copies->host || !copies->path || !copies->extra)
        return kHttpOutOfMemory;
    QELHttpUrlParts second = {};
    second.structSize = sizeof(second);
    second.scheme = copies->scheme;
    second.schemeLength = parts.schemeLength + 1;
    second.host = copies->host;
    second.hostLength = parts.hostLength + 1;
    second.path = copies->path;
    second.pathLength = parts.pathLength + 1;
    second.extra = copies->extra;
    second.extraLength = parts.extraLength + 1;
    result = SplitUrl(url, 0, 0, &second);
    copies->port = second.port;
    return result;
}

}  // namespace

int32_t EscapeUrl(const char* url, char** escaped, uint32_t mode) {
    if (!url || !escaped) return kHttpInvalidArg;
    *escaped = nullptr;
    if (mode == kHttpEscape) return Escape(url, escaped);
    if (mode == kHttpUnescape) return Unescape(url, escaped);
    return kHttpOk;
}

int32_t SplitUrl(const char* url, uint32_t length, int escape, QELHttpUrlParts* parts) {
    if (!url || !parts) return kHttpInvalidArg;
    size_t n = length ? strnlen(url, length) : strlen(url);
    if (!escape) return SplitText(url, n, parts);

    if (AsksForPointer(parts->scheme, parts->schemeLength) ||
        AsksForPointer(parts->host, parts->hostLength) ||
        AsksForPointer(parts->userName, parts->userNameLength) ||
        AsksForPointer(parts->password, parts->passwordLength) ||
        AsksForPointer(parts->path, parts->pathLength) ||
        AsksForPointer(parts->extra, parts->extraLength))
        return kHttpInvalidArg;
    char* prefix = QELHttpCopyText(url, n);
    if (!prefix) return kHttpOutOfMemory;
    char* escaped = nullptr;
    int32_t result = EscapeUrl(prefix, &escaped, kHttpEscape);
    free(prefix);
    if (result != kHttpOk) return result;
    result = SplitText(escaped, strlen(escaped), parts);
    free(escaped);
    return result;
}

std::string RedirectTarget(const char* url, const char* location) {
    if (!location) return url;
    if (location[0] != '/') return location;
    const char* scheme = strstr(url, "://");
    const char* pathStart = scheme ? strchr(scheme + 3, '/') : nullptr;
    const std::string server = pathStart ? std::string(url, pathStart) : std::string(url);
    return server + location;
}

QELHttpRequestTarget::~QELHttpRequestTarget() {
    free(host);
    free(target);
}

char* QELHttpRequestTarget::TakeHost() {
    char* taken = host;
    host = nullptr;
    return taken;
}

char* QELHttpRequestTarget::TakeTarget() {
    char* taken = target;
    target = nullptr;
    return taken;
}

int32_t SplitRequestTarget(const char* url, bool viaProxy, QELHttpRequestTarget* request) {
    char* escaped = nullptr;
    int32_t result = EscapeUrl(url, &escaped, kHttpEscape);
    if (result != kHttpOk) return result;
    // Control characters stay as they are in an escaped path: a line break (from a server's
    // Location, say) would end the request line early and start a header of its choosing.
    if (strpbrk(escaped, "\r\n")) result = kHttpInvalidUrl;
    SplitCopies copies;
    if (result == kHttpOk) result = SplitInCopies(escaped, &copies);
    free(escaped);
    if (result != kHttpOk) return result;
    const bool secure = strcmp(copies.scheme, kHttpsScheme) == 0;

    QELHttpTextBuffer target;
    bool ok = true;
    if (viaProxy) {
        // The proxy goes by the absolute target alone: a port other than the scheme's default
        // must be in it, or the request would reach another server.
        ok = target.Append(copies.scheme) && target.Append(copies.host);
        char port[8];
        snprintf(port, sizeof(port), ":%u", static_cast<unsigned>(copies.port));
        if (ok && copies.port != (secure ? 443 : 80)) ok = target.Append(port);
    }
    ok = ok && target.Append(*copies.path ? copies.path : "/") && target.Append(copies.extra);
    char* text = ok ? target.Release() : nullptr;
    if (!text) return kHttpOutOfMemory;
    free(request->host);
    free(request->target);
    request->host = copies.host;
    copies.host = nullptr;
    request->port = copies.port;
    request->secure = secure;
    request->target = text;
    return kHttpOk;
}
