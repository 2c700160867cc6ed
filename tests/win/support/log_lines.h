// The setup log's lines without their time stamps.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> LogLines(const std::wstring& path);
// Whether line occurs, and in order after the previous expected lines.
bool LogHasInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
bool LogHas(const std::vector<std::string>& lines, const std::string& line);
