// EscapeUrl, both directions, over any text.
#include <cstdlib>
#include <string>

#include "http/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string url(reinterpret_cast<const char*>(data), size);
    for (uint32_t mode : {kHttpEscape, kHttpUnescape}) {
        char* out = nullptr;
        EscapeUrl(url.c_str(), &out, mode);
        free(out);
    }
    return 0;
}
