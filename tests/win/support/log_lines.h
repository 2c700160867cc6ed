// The setup log's lines without their time stamps.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

std::vector<std::string> LogLines(const std::wstring& path);
// Whether each expected line occurs, in order after the previous ones.
template <typename Text>
bool LogHasInOrder(const std::vector<Text>& lines, const std::vector<Text>& expected) {
    auto at = lines.begin();
    for (const Text& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) return false;
        ++at;
    }
    return true;
}
bool LogHas(const std::vector<std::string>& lines, const std::string& line);
