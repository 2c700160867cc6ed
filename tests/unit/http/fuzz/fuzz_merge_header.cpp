// MergeHeader of any line into any block; the first byte chooses the modifiers and where the
// input is split into block and line.
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/header_text.h"
#include "http/http_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const uint32_t kModifiers[] = {kHttpAddCoalesceComma, kHttpAddCoalesceSemicolon,
                                          kHttpAddReplace, 0};
    uint32_t modifiers = kModifiers[data[0] % 4];
    size_t split = data[1] % (size - 1);
    std::string block(reinterpret_cast<const char*>(data + 2), split);
    std::string line(reinterpret_cast<const char*>(data + 2 + split), size - 2 - split);
    char* buffer = block.empty() ? nullptr : strdup(block.c_str());
    int32_t length = buffer ? static_cast<int32_t>(strlen(buffer)) : 0;
    QELHttpMergeHeader(line.c_str(), modifiers, &length, &buffer);
    free(buffer);
    return 0;
}
