// What the stand-ins for the product's programs share: the test tells them through environment
// variables (which the setup passes on) how to behave, and they write down how they were called.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace stand_in {

inline int Setting(const wchar_t* name, int fallback) {
    const wchar_t* value = _wgetenv(name);
    return value && *value ? _wtoi(value) : fallback;
}

// Appends a line to <TELLURA_STANDIN_RECORD>\<program>.txt when the variable names a folder.
inline void Record(const wchar_t* program, const std::wstring& line) {
    const wchar_t* folder = _wgetenv(L"TELLURA_STANDIN_RECORD");
    if (!folder || !*folder) return;
    const std::wstring path = std::wstring(folder) + L"\\" + program + L".txt";
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        const std::string utf8(line.begin(), line.end());
        std::fprintf(file, "%s\n", utf8.c_str());
        std::fclose(file);
    }
}

}  // namespace stand_in
