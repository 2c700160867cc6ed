// What the download reads from an answer, as the socket driver answers the queries: the status
// text turned into a code, and the first and last byte and the total of the Content-Range value.
#include <cstdlib>
#include <string>

#include "engine/package_download.h"
#include "http/header_text.h"
#include "http/http_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string head(reinterpret_cast<const char*>(data), size);
    QELHttpHeadAnswer status;
    if (QELHttpQueryHead(head.data(), head.size(), kHttpQueryStatusCode, nullptr, nullptr,
                         &status) == kHttpOk) {
        const int code = StatusCodeOf(std::string_view(status.value, status.length));
        if (code != 0 && (code < 100 || code > 999)) abort();
    }
    free(status.value);
    QELHttpHeadAnswer range;
    if (QELHttpQueryHead(head.data(), head.size(), kHttpQueryCustom, "Content-Range", nullptr,
                         &range) == kHttpOk) {
        const std::string_view value(range.value, range.length);
        ContentRangeTotal(value);
        const std::optional<ContentRangeSpan> span = ContentRangeBytes(value);
        if (span && (span->first < 0 || span->last < span->first)) abort();
    }
    free(range.value);
    return 0;
}
