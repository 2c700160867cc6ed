#include <cstdio>

#include "engine/package_download.h"

namespace {

// UTF-8, the multibyte form of this platform.
std::string Utf8(const std::wstring& text) {
    std::string out;
    for (const wchar_t unit : text) {
        const auto c = static_cast<uint32_t>(unit);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> MultiByteUrl(const std::wstring& url) {
    std::string narrow = Utf8(url);
    if (narrow.size() > 1023) return std::nullopt;
    return narrow;
}

FILE* CreatePackageFile(const std::wstring& path) { return std::fopen(Utf8(path).c_str(), "wb"); }
