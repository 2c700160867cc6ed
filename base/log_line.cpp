#include "base/log_line.h"

namespace {

bool IsHexDigit(wchar_t unit) {
    return (unit >= L'0' && unit <= L'9') || (unit >= L'a' && unit <= L'f') ||
           (unit >= L'A' && unit <= L'F');
}

// True where text holds "\u" and four hex digits at position, which the log would read back as
// an escape.
bool LooksLikeEscape(std::wstring_view text, size_t position) {
    if (text.size() - position < 6 || text[position] != L'\\' || text[position + 1] != L'u')
        return false;
    for (size_t i = position + 2; i < position + 6; ++i) {
        if (!IsHexDigit(text[i])) return false;
    }
    return true;
}

void AppendEscape(std::string& out, unsigned unit) {
    // A 32-bit wchar_t (not Windows') is written as Windows would hold it: a surrogate pair.
    if (unit > 0xFFFF) {
        AppendEscape(out, 0xD800 + ((unit - 0x10000) >> 10));
        AppendEscape(out, 0xDC00 + (unit & 0x3FF));
        return;
    }
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

std::string ToLogBytes(std::wstring_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        const auto unit = static_cast<unsigned>(line[i]);
        if (unit == L'\n') {
            out += "\r\n";
        } else if (unit >= 256 || LooksLikeEscape(line, i)) {
            AppendEscape(out, unit);
        } else {
            out += static_cast<char>(unit);
        }
    }
    return out;
}

}  // namespace

std::string FormatLogStamp(const std::tm& localTime) {
    char stamp[128];
    const size_t length = std::strftime(stamp, sizeof stamp, "%x - %X", &localTime);
    return std::string(stamp, length);
}

std::string ComposeLogLine(std::string_view stamp, std::wstring_view text,
                           std::wstring_view lineTemplate) {
    if (lineTemplate.empty()) lineTemplate = L"%s: %s\n";
    // The template is filled field by field rather than handed to printf: it comes from the
    // resources, and only its two "%s" are ours to fill.
    const std::wstring wideStamp(stamp.begin(), stamp.end());
    const std::wstring_view fields[] = {wideStamp, text};
    size_t nextField = 0;
    std::wstring line;
    for (size_t i = 0; i < lineTemplate.size(); ++i) {
        if (lineTemplate[i] == L'%' && i + 1 < lineTemplate.size()) {
            if (lineTemplate[i + 1] == L's' && nextField < 2) {
                line += fields[nextField++];
                ++i;
                continue;
            }
            if (lineTemplate[i + 1] == L'%') ++i;
        }
        line += lineTemplate[i];
    }
    return ToLogBytes(line);
}
