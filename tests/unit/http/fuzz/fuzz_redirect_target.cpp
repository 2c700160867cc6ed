// Where a redirect leads and what the socket driver then sends, directly and through a proxy.
// The input is the request's URL, a line feed and the Location (none without the line feed).
// A Location that is only a path stays on the request's server, no line break gets into the
// request line, and a proxy's absolute target names the same server, port, path and query as
// the direct request.
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/url.h"

namespace {

// The absolute URL split without escaping it again, as the proxy reads it.
bool SameAsDirect(const QELHttpRequestTarget& direct, const char* absolute) {
    QELHttpUrlParts parts = {};
    if (SplitUrl(absolute, 0, 0, &parts) != kHttpOk) return false;
    std::string host(parts.hostLength + 1, 0), path(parts.pathLength + 1, 0);
    std::string extra(parts.extraLength + 1, 0);
    QELHttpUrlParts copies = {};
    copies.host = &host[0];
    copies.hostLength = static_cast<uint32_t>(host.size());
    copies.path = &path[0];
    copies.pathLength = static_cast<uint32_t>(path.size());
    copies.extra = &extra[0];
    copies.extraLength = static_cast<uint32_t>(extra.size());
    if (SplitUrl(absolute, 0, 0, &copies) != kHttpOk) return false;
    return strcmp(host.c_str(), direct.host) == 0 && copies.port == direct.port &&
           std::string(path.c_str()) + extra.c_str() == direct.target;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t feed = input.find('\n');
    const std::string url = input.substr(0, feed).c_str();
    const std::string location = feed == std::string::npos ? "" : input.substr(feed + 1).c_str();
    const std::string target =
        RedirectTarget(url.c_str(), feed == std::string::npos ? nullptr : location.c_str());

    QELHttpRequestTarget before, after, proxied;
    if (SplitRequestTarget(target.c_str(), false, &after) != kHttpOk) return 0;
    if (strpbrk(after.host, "\r\n") || strpbrk(after.target, "\r\n")) abort();
    if (location[0] == '/' && SplitRequestTarget(url.c_str(), false, &before) == kHttpOk &&
        (strcmp(before.host, after.host) != 0 || before.port != after.port))
        abort();
    if (SplitRequestTarget(target.c_str(), true, &proxied) != kHttpOk ||
        !SameAsDirect(after, proxied.target))
        abort();
    return 0;
}
