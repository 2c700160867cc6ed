#include "http/header_text.h"

#include <cstdlib>
#include <cstring>

#include "http/http_types.h"
#include "http/text_buffer.h"

namespace {

const size_t kMaxHeaderName = 127;

// The first occurrence of `name` (with its colon) at the start of a line of the block.
const char* FindLineStart(const char* block, const char* name, size_t nameLength) {
    for (const char* p = block; *p;) {
        if (strncmp(p, name, nameLength) == 0) return p;
        const char* next = strstr(p, "\r\n");
        if (!next) return nullptr;
        p = next + 2;
    }
    return nullptr;
}

}  // namespace

int32_t QELHttpMergeHeader(const char* line, uint32_t modifiers, int32_t* length, char** buffer) {
    if (!line) return kHttpOk;
    if (!buffer || !length) return kHttpInvalidArg;
    size_t lineLength = strlen(line);
    if (lineLength <= 2 || strcmp(line + lineLength - 2, "\r\n") != 0) return kHttpInvalidArg;
    const char* colon = strchr(line, ':');
    if (!colon) return kHttpInvalidHeader;
    size_t nameLength = colon - line;
    if (nameLength > kMaxHeaderName) return kHttpInvalidHeader;

    const char* separator;
    if (modifiers & kHttpAddCoalesceSemicolon) {
        separator = "; ";
    } else if (modifiers & kHttpAddCoalesceComma) {
        separator = ", ";
    } else {
        return kHttpInvalidOption;
    }

    const char* block = *buffer ? *buffer : "";
    size_t blockLength = *buffer ? static_cast<size_t>(*length) : 0;
    QELHttpTextBuffer merged;
    const char* existing = FindLineStart(block, line, nameLength + 1);
    bool ok;
    if (existing) {
        const char* lineEnd = strstr(existing, "\r\n");
        size_t insertAt = lineEnd ? lineEnd - block : blockLength;
        const char* value = colon + 1;
        const char* valueEnd = strstr(value, "\r\n");
        ok = merged.Append(block, insertAt) && merged.Append(separator) &&
             merged.Append(value, valueEnd - value) &&
             merged.Append(block + insertAt, blockLength - insertAt);
    } else {
        ok = merged.Append(block, blockLength) && merged.Append(line, lineLength);
    }
    if (!ok) return kHttpOutOfMemory;
    int32_t newLength = static_cast<int32_t>(merged.Length());
    char* block2 = merged.Release();
    if (!block2) return kHttpOutOfMemory;
    free(*buffer);
    *buffer = block2;
    *length = newLength;
    return kHttpOk;
}
