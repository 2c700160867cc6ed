// The process-wide cookie store: every Set-Cookie value is filed under the request URL's
// beginning plus the cookie's path, and every request gets the cookies of its URL's prefixes.
#pragma once

#include <cstddef>
#include <cstdint>

// Bounds against servers that set cookies without end: the oldest record of a full key, or of
// a full store, makes room; a larger cookie is dropped; a line stops before passing its bound.
constexpr int kMaxCookiesPerKey = 50;
constexpr size_t kMaxCookieBytes = 4096;
constexpr int kMaxStoredCookies = 3000;
constexpr size_t kMaxCookieLineBytes = 8192;

// Stores one Set-Cookie value received for `url`; replaces a cookie of the same key whose
// name begins with the stored name. A value longer than kMaxCookieBytes is dropped with 0.
int32_t StoreCookie(const char* url, const char* setCookie);

// A new heap string (free()) with the cookies for `url`: "Cookie: " + pairs + "\r\n" in
// header form 1, the pairs alone in form 0, at most kMaxCookieLineBytes long. 0x80070103 when
// nothing matched.
int32_t BuildCookieLine(const char* url, char** line, int headerForm);

// One name=value pair at the start of `text` (of `length` bytes, ending at the first ";"
// after the "="). The name and value are given as offsets into the text.
struct QELHttpCookiePair {
    size_t nameStart = 0;
    size_t nameLength = 0;
    size_t valueStart = 0;
    size_t valueLength = 0;
};
int32_t QELHttpParseCookiePair(const char* text, size_t length, QELHttpCookiePair* pair);

// The number of a Version attribute's value of `length` bytes, read from its first 7
// characters at most.
int32_t QELHttpCookieVersion(const char* value, size_t length);

// The store's string hash: 37-fold over every character (every length/64-th one for long
// strings), top bit cleared.
uint32_t QELHttpCookieHash(const char* text, size_t length);
