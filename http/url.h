// URL utilities of the HTTP client: splitting into components and escaping.
#pragma once

#include <cstdint>
#include <string>

#include "http/http_types.h"

constexpr uint32_t kHttpEscape = 0x80000000;
constexpr uint32_t kHttpUnescape = 0x10000000;

// Fills `parts` by its per-component modes. `length` 0 means the URL is terminated. With
// `escape` set the URL is escaped first; pointer mode is then refused, since the escaped copy
// does not outlive the call.
int32_t SplitUrl(const char* url, uint32_t length, int escape, QELHttpUrlParts* parts);

// Mode kHttpEscape: percent-escapes the path and query of an http(s) URL into a new heap copy
// (free() it). Mode kHttpUnescape decodes %xx sequences. Other modes do nothing and answer 0.
int32_t EscapeUrl(const char* url, char** escaped, uint32_t mode);

// Where a redirect from `url` leads: a Location that names only a path stays on the request's
// server, and no Location at all asks `url` again.
std::string RedirectTarget(const char* url, const char* location);

// Where the socket driver sends a request for `url`, escaped first: the server's host and port,
// and the request target, the path with its query or, through a proxy, the absolute URL.
struct QELHttpRequestTarget {
    QELHttpRequestTarget() = default;
    ~QELHttpRequestTarget();
    QELHttpRequestTarget(const QELHttpRequestTarget&) = delete;
    QELHttpRequestTarget& operator=(const QELHttpRequestTarget&) = delete;
    // Hand the heap copies over to the caller (free() them).
    char* TakeHost();
    char* TakeTarget();

    char* host = nullptr;
    uint16_t port = 80;
    bool secure = false;
    char* target = nullptr;
};

int32_t SplitRequestTarget(const char* url, bool viaProxy, QELHttpRequestTarget* request);
