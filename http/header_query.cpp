#include "http/header_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "http/http_types.h"
#include "http/text_buffer.h"

namespace {

// The searched header name of each emulated query level, or null.
const char* NameOfLevel(uint32_t level) {
    switch (level) {
        case kHttpQueryContentType:
            return "Content-Type: ";
        case kHttpQueryContentLength:
            return "Content-Length: ";
        case kHttpQueryDate:
            return "Date: ";
        case kHttpQueryLastModified:
            return "Last-Modified: ";
        case kHttpQueryLocation:
            return "Location: ";
        case kHttpQueryServer:
            return "Server: ";
        case kHttpQueryWwwAuthenticate:
            return "WWW-Authenticate: ";
        case kHttpQueryProxyAuthenticate:
            return "Proxy-Authenticate: ";
        case kHttpQueryAcceptRanges:
            return "Accept-Ranges: ";
        case kHttpQuerySetCookie:
            return "Set-Cookie: ";
        case kHttpQueryETag:
            return "ETag: ";
        case kHttpQueryTransferEncoding:
            return "Transfer-Encoding: ";
        default:
            return nullptr;
    }
}

// The (occurrence + 1)-th place of `name` in the head, or null.
const char* FindOccurrence(const char* head, size_t length, const char* name, int32_t occurrence) {
    const char* end = head + length;
    const char* found = QELHttpFind(head, length, name);
    for (int32_t i = 0; found && i < occurrence; ++i) {
        const char* from = found + 1;
        found = QELHttpFind(from, end - from, name);
    }
    return found;
}

// Words of the status line are read into fields of 9 and 7 characters: longer words are
// refused instead of overrunning them.
int32_t StatusWord(const char* head, size_t length, const char** word, size_t* wordLength) {
    const size_t kVersionField = 9;
    const size_t kStatusField = 7;
    const char* end = head + length;
    const char* p = head;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* first = p;
    while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
    size_t firstLength = p - first;
    if (firstLength > kVersionField || firstLength < 7 || strncmp(first, "HTTP/1.", 7) != 0)
        return kHttpInvalidResponse;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* status = p;
    while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
    size_t statusLength = p - status;
    if (statusLength == 0 || statusLength > kStatusField) return kHttpInvalidResponse;
    *word = status;
    *wordLength = statusLength;
    return kHttpOk;
}

int32_t ToNumber(const char* text, size_t length) {
    char field[16] = {0};
    memcpy(field, text, length < sizeof(field) - 1 ? length : sizeof(field) - 1);
    return static_cast<int32_t>(strtol(field, nullptr, 10));
}

int32_t NumberAnswer(int32_t number, QELHttpHeadAnswer* answer) {
    answer->isNumber = true;
    answer->number = number;
    answer->value = static_cast<char*>(malloc(sizeof(int32_t)));
    if (!answer->value) return kHttpOutOfMemory;
    memcpy(answer->value, &number, sizeof(int32_t));
    answer->length = sizeof(int32_t);
    return kHttpOk;
}

int32_t TextAnswer(const char* text, size_t length, QELHttpHeadAnswer* answer) {
    answer->value = QELHttpCopyText(text, length);
    if (!answer->value) return kHttpOutOfMemory;
    answer->length = static_cast<int32_t>(length);
    return kHttpOk;
}

// A length that does not fit the 4-byte answer is refused, not cut to fit.
int32_t ContentLengthAnswer(const char* text, size_t length, QELHttpHeadAnswer* answer) {
    char* value = QELHttpCopyText(text, length);
    if (!value) return kHttpOutOfMemory;
    int32_t number = 0;
    const bool valid = QELHttpParseContentLength(value, &number);
    free(value);
    return valid ? NumberAnswer(number, answer) : kHttpInvalidResponse;
}

}  // namespace

bool QELHttpParseContentLength(const char* text, int32_t* length) {
    errno = 0;
    const long long value = strtoll(text, nullptr, 10);
    if (errno == ERANGE || value < 0 || value > INT32_MAX) return false;
    *length = static_cast<int32_t>(value);
    return true;
}

int32_t QELHttpQueryHead(const char* head, size_t headLength, uint32_t level, const char* name,
                         int32_t* index, QELHttpHeadAnswer* answer) {
    if (!head || !answer) return kHttpInvalidArg;
    uint32_t bare = level & kHttpQueryLevelMask;
    bool custom = bare == kHttpQueryCustom;
    if (custom != (name != nullptr)) return kHttpInvalidArg;
    bool wantsNumber = (level & kHttpQueryNumber) != 0;

    if (bare == kHttpQueryRawHead) return TextAnswer(head, headLength, answer);
    if (bare == kHttpQueryStatusCode) {
        const char* word = nullptr;
        size_t wordLength = 0;
        int32_t result = StatusWord(head, headLength, &word, &wordLength);
        if (result != kHttpOk) return result;
        return wantsNumber ? NumberAnswer(ToNumber(word, wordLength), answer)
                           : TextAnswer(word, wordLength, answer);
    }

    const char* searched = custom ? name : NameOfLevel(bare);
    if (!searched || !*searched) return kHttpHeaderNotFound;
    int32_t occurrence = index ? *index : 0;
    if (occurrence < 0) return kHttpHeaderNotFound;
    const char* found = FindOccurrence(head, headLength, searched, occurrence);
    if (!found && bare == kHttpQueryContentLength) {
        searched = "Content-length: ";
        found = FindOccurrence(head, headLength, searched, occurrence);
    }
    if (!found) return kHttpHeaderNotFound;
    const char* value = found + strlen(searched);
    const char* lineEnd = QELHttpFind(value, head + headLength - value, "\r\n");
    if (!lineEnd) return kHttpInvalidResponse;
    int32_t result = wantsNumber && bare == kHttpQueryContentLength
                         ? ContentLengthAnswer(value, lineEnd - value, answer)
                         : TextAnswer(value, lineEnd - value, answer);
    if (result == kHttpOk && index) ++*index;
    return result;
}
