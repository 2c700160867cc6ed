// The read-ahead under the head reader, over a memory connection: any mix of line reads and
// plain reads hands out the stream's bytes in order, none lost or repeated, and a line ends at
// its first "\r\n". Then a head is read and the rest until the end. The first byte chooses the
// piece size of each underlying read, the second how many of the next bytes are reads; each of
// those chooses a line or plain read and its size.
#include <cstdlib>
#include <string>
#include <vector>

#include "http/http_types.h"
#include "tests/unit/http/memory_connection.h"

namespace {

const int32_t kPieces[] = {1, 2, 7, 64, 4095, 4096, 4097, 65536};
const int32_t kSizes[] = {1, 2, 3, 1023, 1024, 4096, 5000, 70000};

bool EndsOnlyAtTheEnd(const char* line, int32_t count) {
    for (int32_t i = 1; i + 1 < count; ++i)
        if (line[i - 1] == '\r' && line[i] == '\n') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t reads = std::min<size_t>(data[1] % 16, size - 2);
    const char* streamStart = reinterpret_cast<const char*>(data + 2 + reads);
    const std::string stream(streamStart, size - 2 - reads);
    MemoryConnection connection(stream, kPieces[data[0] % 8]);

    std::string got;
    std::vector<char> buffer;
    for (size_t i = 0; i < reads; ++i) {
        const uint8_t read = data[2 + i];
        buffer.resize(kSizes[read % 8]);
        int32_t count = 0;
        const int32_t size32 = static_cast<int32_t>(buffer.size());
        if (read & 0x80) {
            connection.ReceiveLine(buffer.data(), size32, &count);
            if (!EndsOnlyAtTheEnd(buffer.data(), count)) abort();
        } else {
            connection.Receive(buffer.data(), size32, &count);
        }
        if (count < 0 || count > size32) abort();
        got.append(buffer.data(), count);
    }
    char* head = nullptr;
    int32_t headLength = 0;
    int32_t received = 0;
    const bool whole = connection.ReadHead(&head, &headLength, &received) == kHttpOk;
    if (whole) got.append(head, headLength);
    free(head);
    char* rest = nullptr;
    int32_t restLength = 0;
    if (connection.ReadBody(0, &restLength, &rest) == kHttpOk && rest) got.append(rest, restLength);
    free(rest);
    // A head that came whole leaves every byte after it to the body.
    if (whole ? got != stream : got.size() + received != stream.size()) abort();
    return 0;
}
