// What the download reads from an answer's head besides its status: the first and last byte
// and the total of a Content-Range value, and a Retry-After in seconds.
#include <cstdint>
#include <cstdlib>

#include "http/header_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* value = reinterpret_cast<const char*>(data);
    int64_t first = 0, last = 0, total = 0;
    QELHttpParseContentRange(value, size, &first, &last, &total);
    if ((first < 0) != (last < 0) || last < first || total < -1) abort();
    const int32_t seconds = QELHttpParseRetryAfter(value, size);
    if (seconds < -1 || seconds > 86400) abort();
    return 0;
}
