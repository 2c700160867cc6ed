#include "tests/win/support/log_lines.h"

#include <algorithm>

#include "tests/win/support/win_test_support.h"

std::vector<std::string> LogLines(const std::wstring& path) {
    std::vector<std::string> texts;
    for (const LogLine& line : ReadLogLines(path)) texts.push_back(line.text);
    return texts;
}


bool LogHas(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}
