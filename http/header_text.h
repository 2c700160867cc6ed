// Rules over header text, shared by both drivers: merging a request header line into a block
// of lines, and answering header queries from a raw response head.
#pragma once

#include <cstddef>
#include <cstdint>

// Merges `line` ("Name: value\r\n") into the terminated block `*buffer` of `*length` bytes:
// an existing line of the same name is extended by the separator the modifiers choose, any
// other line is appended. The block is re-allocated with malloc.
int32_t QELHttpMergeHeader(const char* line, uint32_t modifiers, int32_t* length, char** buffer);

// The answer to a header query over a response head.
struct QELHttpHeadAnswer {
    char* value = nullptr;  // heap block (free()); a 4-byte integer when `isNumber`
    int32_t length = 0;
    bool isNumber = false;
    int32_t number = 0;
};

// Answers `level` (with its modifier bits) over the `headLength` bytes of `head`. `index`, when
// given, selects the occurrence and is advanced. `name` is the header name of a custom query.
int32_t QELHttpQueryHead(const char* head, size_t headLength, uint32_t level, const char* name,
                         int32_t* index, QELHttpHeadAnswer* answer);

// A Content-Range value ("bytes first-last/total") into its numbers: -1 for each one it lacks,
// and for a last byte below the first; the total is read after the first "/" whatever precedes.
void QELHttpParseContentRange(const char* value, size_t length, int64_t* first, int64_t* last,
                              int64_t* total);

// A Retry-After value in seconds, at most a day; -1 for a date or anything else.
int32_t QELHttpParseRetryAfter(const char* value, size_t length);

// A Content-Length value read as strtol reads a number (leading blanks, sign, digits, the rest
// ignored), but in 64 bits on every platform: false when it is negative or beyond 32 bits.
bool QELHttpParseContentLength(const char* text, int32_t* length);
