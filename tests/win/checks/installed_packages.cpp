#include "installed_packages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

DWORD RunMsiexec(const wchar_t* action, const std::wstring& package) {
    std::wstring commandLine = std::wstring(L"msiexec ") + action + L" \"" + package + L"\" /qn";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return GetLastError();
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

}  // namespace

std::wstring WinePathFromVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return {};
    std::wstring path = L"Z:";
    for (const char* c = value; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

Installed::Installed(std::initializer_list<std::wstring> names) {
    const std::wstring folder = WinePathFromVariable("CHECKS_PACKAGES_DIR");
    for (const std::wstring& name : names) {
        const std::wstring path = folder + L"\\" + name;
        EXPECT_EQ(RunMsiexec(L"/i", path), 0u) << std::string(name.begin(), name.end());
        _paths.push_back(path);
    }
}

Installed::~Installed() {
    for (const std::wstring& path : _paths) RunMsiexec(L"/x", path);
}
