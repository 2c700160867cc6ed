// The header-query emulation over any head; the first bytes choose level, index and name.
#include <cstdlib>
#include <string>

#include "http/header_text.h"
#include "http/http_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static const uint32_t kLevels[] = {1,  5,  9,  11, 19, 22, 23, 33,
                                       37, 40, 41, 42, 43, 54, 63, 0xFFFF};
    uint32_t level = kLevels[data[0] % 16] | ((data[0] & 0x80) ? kHttpQueryNumber : 0);
    int32_t index = data[1] % 8;
    size_t nameLength = data[2] % 16;
    if (size < 3 + nameLength) return 0;
    std::string name(reinterpret_cast<const char*>(data + 3), nameLength);
    std::string head(reinterpret_cast<const char*>(data + 3 + nameLength), size - 3 - nameLength);
    bool custom = (level & kHttpQueryLevelMask) == 0xFFFF;
    QELHttpHeadAnswer answer;
    QELHttpQueryHead(head.data(), head.size(), level, custom ? name.c_str() : nullptr,
                     (data[1] & 0x80) ? nullptr : &index, &answer);
    free(answer.value);
    return 0;
}
