// The setup log's bytes read back as the text that was logged: "\u" and four hex digits is one
// UTF-16 unit, every other byte the character of that value.
#pragma once

#include <string>

inline std::wstring ReadLogText(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const std::string digits = i + 2 < bytes.size() ? bytes.substr(i + 2, 4) : "";
        if (bytes.compare(i, 2, "\\u") == 0 && digits.size() == 4 &&
            digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
            text += static_cast<wchar_t>(std::stoul(digits, nullptr, 16));
            i += 5;
        } else {
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
        }
    }
    return text;
}
