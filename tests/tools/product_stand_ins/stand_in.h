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

// Where a program started by the desktop's shell, which does not pass the setup's variables on,
// writes down how it was called.
inline std::wstring DesktopRecordFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tellura_stand_ins";
}

// <TELLURA_STANDIN_RECORD>\<program>.txt, or without that variable the desktop's record
// folder's.
inline std::wstring RecordPath(const wchar_t* program) {
    const wchar_t* variable = _wgetenv(L"TELLURA_STANDIN_RECORD");
    const std::wstring folder = variable && *variable ? variable : DesktopRecordFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + program + L".txt";
}

// Appends a line to the program's record.
inline void Record(const wchar_t* program, const std::wstring& line) {
    const std::wstring path = RecordPath(program);
    // UTF-8, so that a path beyond ASCII reads back as it was.
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), size,
                        nullptr, nullptr);
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        std::fprintf(file, "%s\n", utf8.c_str());
        std::fclose(file);
    }
}

// What the msiexec stand-in keeps the system's real msiexec as, beside itself.
constexpr const wchar_t* kRealMsiexec = L"msiexec_real.exe";

}  // namespace stand_in
