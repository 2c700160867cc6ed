// ParseResponseHead over any bytes; the first byte chooses the verb and the flags.
#include <cstdlib>
#include <string>

#include "http/socket_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static QELHttpSocketDriver driver(nullptr, 1, 1);
    const char* verb = (data[0] & 1) ? "HEAD" : "GET";
    uint32_t flags = ((data[0] & 2) ? kHttpFlagNoAuth : 0) |
                     ((data[0] & 4) ? kHttpFlagNoProxyAuth : 0) |
                     ((data[0] & 8) ? kHttpFlagNoServerAuth : 0);
    std::string head(reinterpret_cast<const char*>(data + 1), size - 1);
    QELHttpResponseInfo info;
    driver.ParseResponseHead("http://h/", verb, head.data(), static_cast<int32_t>(head.size()),
                             flags, &info);
    free(info.location);
    return 0;
}
