#include "base/log_line.h"

namespace {

void AppendNarrowed(std::string& out, std::wstring_view text) {
    for (const wchar_t unit : text) {
        if (unit == L'\n') {
            out += "\r\n";
        } else {
            out += static_cast<unsigned>(unit) < 256 ? static_cast<char>(unit) : '?';
        }
    }
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
    std::string line;
    for (size_t i = 0; i < lineTemplate.size(); ++i) {
        if (lineTemplate[i] == L'%' && i + 1 < lineTemplate.size()) {
            if (lineTemplate[i + 1] == L's' && nextField < 2) {
                AppendNarrowed(line, fields[nextField++]);
                ++i;
                continue;
            }
            if (lineTemplate[i + 1] == L'%') ++i;
        }
        AppendNarrowed(line, lineTemplate.substr(i, 1));
    }
    return line;
}
