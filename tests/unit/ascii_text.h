// Wide test texts, all ASCII, as narrow ones for gtest's messages and event lists.
#pragma once

#include <string>

inline std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}
