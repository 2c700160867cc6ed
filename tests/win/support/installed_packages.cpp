#include "tests/win/support/installed_packages.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include "tests/win/support/win_test_support.h"

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

std::wstring PackageProperty(const std::wstring& name, const wchar_t* property) {
    const std::wstring path = WinePathFromVariable("CHECKS_PACKAGES_DIR") + L"\\" + name;
    const std::wstring query =
        std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") + property + L"'";
    MSIHANDLE database = 0;
    MSIHANDLE view = 0;
    MSIHANDLE record = 0;
    std::wstring value;
    if (MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewW(database, query.c_str(), &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        wchar_t text[256] = {};
        DWORD size = 256;
        if (MsiRecordGetStringW(record, 1, text, &size) == ERROR_SUCCESS) value = text;
    }
    for (MSIHANDLE handle : {record, view, database})
        if (handle) MsiCloseHandle(handle);
    return value;
}

Installed::Installed(std::initializer_list<std::wstring> names) {
    const std::wstring folder = WinePathFromVariable("CHECKS_PACKAGES_DIR");
    for (const std::wstring& name : names) {
        const std::wstring path = folder + L"\\" + name;
        EXPECT_EQ(RunMsiexec(L"/i", path), 0u) << Narrow(name);
        _paths.push_back(path);
    }
}

Installed::~Installed() {
    for (const std::wstring& path : _paths) RunMsiexec(L"/x", path);
}
