#include "log_lines.h"

#include <algorithm>
#include <sstream>

#include "../app/win_test_support.h"

std::vector<std::string> LogLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::istringstream content(ReadWholeFile(path));
    std::string line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "06/26/09 - 09:50:00: text": the text follows the first ": ".
        const size_t text = line.find(": ");
        lines.push_back(text == std::string::npos ? line : line.substr(text + 2));
    }
    return lines;
}

bool LogHasInOrder(const std::vector<std::string>& lines,
                   const std::vector<std::string>& expected) {
    auto at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) return false;
        ++at;
    }
    return true;
}

bool LogHas(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}
