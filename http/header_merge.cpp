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

// The length of the name before the colon of the `length` bytes of `line`, or -1 when the line
// is no header line.
long HeaderNameLength(const char* line, size_t length) {
    const char* colon = static_cast<const char*>(memchr(line, ':', length));
    if (!colon || static_cast<size_t>(colon - line) > kMaxHeaderName) return -1;
    return colon - line;
}

// Merges one line (`length` bytes, its "\r\n" left out) into the `*blockLength` bytes of `block`
// and gives the new block, or null when memory runs out.
char* MergeLine(const char* block, size_t* blockLength, const char* line, size_t length,
                size_t nameLength, const char* separator) {
    QELHttpTextBuffer merged;
    const char* existing = FindLineStart(block, line, nameLength + 1);
    bool ok;
    if (existing) {
        const char* lineEnd = strstr(existing, "\r\n");
        size_t insertAt = lineEnd ? lineEnd - block : *blockLength;
        ok = merged.Append(block, insertAt) && merged.Append(separator) &&
             merged.Append(line + nameLength + 1, length - nameLength - 1) &&
             merged.Append(block + insertAt, *blockLength - insertAt);
    } else {
        ok = merged.Append(block, *blockLength) && merged.Append(line, length) &&
             merged.Append("\r\n");
    }
    if (!ok) return nullptr;
    *blockLength = merged.Length();
    return merged.Release();
}

}  // namespace

int32_t QELHttpMergeHeader(const char* line, uint32_t modifiers, int32_t* length, char** buffer) {
    if (!line) return kHttpOk;
    if (!buffer || !length) return kHttpInvalidArg;
    size_t textLength = strlen(line);
    if (textLength <= 2 || strcmp(line + textLength - 2, "\r\n") != 0) return kHttpInvalidArg;
    // Every line of a text of several is checked before any is merged, so a bad one changes
    // nothing.
    for (const char* p = line; *p; p = strstr(p, "\r\n") + 2) {
        if (HeaderNameLength(p, strstr(p, "\r\n") - p) < 0) return kHttpInvalidHeader;
    }

    const char* separator;
    if (modifiers & kHttpAddCoalesceSemicolon) {
        separator = "; ";
    } else if (modifiers & kHttpAddCoalesceComma) {
        separator = ", ";
    } else {
        return kHttpInvalidOption;
    }

    // Each line is merged on its own: one whose name is already there extends that line.
    char* block = nullptr;
    size_t blockLength = *buffer ? static_cast<size_t>(*length) : 0;
    for (const char* p = line; *p;) {
        const char* end = strstr(p, "\r\n");
        const char* current = block ? block : (*buffer ? *buffer : "");
        char* next =
            MergeLine(current, &blockLength, p, end - p, HeaderNameLength(p, end - p), separator);
        free(block);
        block = next;
        if (!block) return kHttpOutOfMemory;
        p = end + 2;
    }
    free(*buffer);
    *buffer = block;
    *length = static_cast<int32_t>(blockLength);
    return kHttpOk;
}
