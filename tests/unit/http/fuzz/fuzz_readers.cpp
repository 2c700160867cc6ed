// The head, chunked, length and until-close readers over an in-memory connection; the first
// byte chooses the reader and the piece size of each receive.
#include <cstdlib>
#include <string>

#include "http/http_types.h"
#include "tests/unit/http/memory_connection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    MemoryConnection connection(std::string(reinterpret_cast<const char*>(data + 2), size - 2),
                                1 + data[1] % 64);
    char* out = nullptr;
    int32_t length = 0;
    switch (data[0] % 4) {
        case 0:
            connection.ReadHead(&out, &length);
            break;
        case 1:
            connection.ReadBody(kHttpReadChunked | (data[0] & 0x10 ? kHttpReadOnePiece : 0),
                                &length, &out);
            break;
        case 2:
            length = data[0];
            connection.ReadBody(0, &length, &out);
            break;
        default:
            connection.ReadBody(0, &length, &out);
            break;
    }
    free(out);
    return 0;
}
