// The rules for reading a server's answer to a piece: its status and its Content-Range.
#include <cerrno>
#include <cstdlib>
#include <string>

#include "engine/package_download.h"

namespace {

// The decimal number at `at` in `value`, moving `at` past it.
std::optional<int64_t> NumberAt(std::string_view value, size_t& at) {
    if (at >= value.size() || value[at] < '0' || value[at] > '9') return std::nullopt;
    const std::string digits(value.substr(at, 19));
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(digits.c_str(), &end, 10);
    if (errno == ERANGE) return std::nullopt;
    at += static_cast<size_t>(end - digits.c_str());
    return parsed;
}

}  // namespace

std::optional<int64_t> ContentRangeTotal(std::string_view value) {
    const size_t slash = value.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string total(value.substr(slash + 1));
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(total.c_str(), &end, 10);
    if (end == total.c_str() || errno == ERANGE) return std::nullopt;
    return parsed;
}

std::optional<ContentRangeSpan> ContentRangeBytes(std::string_view value) {
    size_t at = value.find("bytes ");
    if (at == std::string_view::npos) return std::nullopt;
    at += 6;
    const std::optional<int64_t> first = NumberAt(value, at);
    if (!first || at >= value.size() || value[at] != '-') return std::nullopt;
    ++at;
    const std::optional<int64_t> last = NumberAt(value, at);
    if (!last || *last < *first) return std::nullopt;
    return ContentRangeSpan{*first, *last};
}

int StatusCodeOf(std::string_view text) {
    const std::string digits(text);
    errno = 0;
    const long code = std::strtol(digits.c_str(), nullptr, 10);
    return errno == 0 && code >= 100 && code <= 999 ? static_cast<int>(code) : 0;
}
