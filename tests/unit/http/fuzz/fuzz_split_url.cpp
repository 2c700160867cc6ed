// SplitUrl in its three delivery modes (measure, pointers, copies) over any text.
#include <string>

#include "http/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::string url(reinterpret_cast<const char*>(data + 1), size - 1);
    QELHttpUrlParts parts = {};
    if (SplitUrl(url.c_str(), 0, data[0] & 1, &parts) != kHttpOk) return 0;
    QELHttpUrlParts pointers = {};
    pointers.hostLength = pointers.pathLength = pointers.extraLength = 1;
    SplitUrl(url.c_str(), static_cast<uint32_t>(url.size()), 0, &pointers);
    std::string host(parts.hostLength + 1, 0), path(parts.pathLength + 1, 0);
    std::string extra(parts.extraLength + 1, 0), user(parts.userNameLength + 1, 0);
    QELHttpUrlParts copies = {};
    copies.host = &host[0];
    copies.hostLength = static_cast<uint32_t>(host.size()) - (data[0] & 2 ? 1 : 0);
    copies.path = &path[0];
    copies.pathLength = static_cast<uint32_t>(path.size());
    copies.extra = &extra[0];
    copies.extraLength = static_cast<uint32_t>(extra.size());
    copies.userName = &user[0];
    copies.userNameLength = static_cast<uint32_t>(user.size());
    SplitUrl(url.c_str(), 0, data[0] & 1, &copies);
    return 0;
}
