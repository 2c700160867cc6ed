#include <cstdlib>
#include <cstring>

#include "http/cookie_store.h"
#include "http/http_types.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Version values are read through a field of 8 characters; longer ones are cut.
const size_t kVersionField = 8;

}  // namespace

int32_t QELHttpParseCookiePair(const char* text, size_t length, QELHttpCookiePair* pair) {
    if (!text || !pair) return kHttpInvalidArg;
    const char* equals = static_cast<const char*>(memchr(text, '=', length));
    if (!equals) return QEL_E_FAIL;
    const char* end = static_cast<const char*>(memchr(equals, ';', text + length - equals));
    if (!end) end = text + length;

    const char* nameStart = text;
    while (nameStart < equals && IsBlank(*nameStart)) ++nameStart;
    const char* nameEnd = equals;
    while (nameEnd > nameStart && (IsBlank(nameEnd[-1]) || nameEnd[-1] == '=')) --nameEnd;

    const char* valueStart = equals + 1;
    while (valueStart < end && IsBlank(*valueStart)) ++valueStart;
    const char* valueEnd = end;
    while (valueEnd > valueStart && (IsBlank(valueEnd[-1]) || valueEnd[-1] == ';')) --valueEnd;

    pair->nameStart = nameStart - text;
    pair->nameLength = nameEnd - nameStart;
    pair->valueStart = valueStart - text;
    pair->valueLength = valueEnd - valueStart;
    return kHttpOk;
}

uint32_t QELHttpCookieHash(const char* text, size_t length) {
    uint32_t h = 0;
    size_t step = length < 128 ? 1 : length / 64;
    for (size_t i = 0; i < length; i += step) {
        h = h * 37u +
            static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[i])));
    }
    return h & 0x7FFFFFFFu;
}

int32_t QELHttpCookieVersion(const char* value, size_t length) {
    char field[kVersionField] = {0};
    memcpy(field, value, length < kVersionField ? length : kVersionField - 1);
    return static_cast<int32_t>(strtol(field, nullptr, 10));
}
