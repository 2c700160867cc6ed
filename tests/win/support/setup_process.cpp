#include "tests/win/support/setup_process.h"

#include "tests/win/support/win_test_support.h"

std::wstring BuiltSetupPath() { return WinePath(L"" TELLURA_SETUP_EXE); }

namespace {

std::wstring EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
    std::map<std::wstring, std::wstring> variables;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const size_t equals = text.find(L'=', 1);
        if (equals != std::wstring::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    FreeEnvironmentStringsW(current);
    for (const auto& [name, value] : overrides) {
        if (value.empty()) {
            variables.erase(name);
        } else {
            variables[name] = value;
        }
    }
    std::wstring block;
    for (const auto& [name, value] : variables) block += name + L"=" + value + L'\0';
    block += L'\0';
    return block;
}

}  // namespace

SetupProcess::SetupProcess(const std::wstring& logFolder,
                           const std::map<std::wstring, std::wstring>& env,
                           const std::wstring& exePath) {
    std::map<std::wstring, std::wstring> overrides = env;
    overrides[L"TMP"] = logFolder;
    overrides[L"TEMP"] = logFolder;
    std::wstring environment = EnvironmentBlock(overrides);
    std::wstring commandLine = L"\"" + exePath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        _process = info.hProcess;
        _id = info.dwProcessId;
    }
}

SetupProcess::~SetupProcess() {
    if (!_process) return;
    // A failing case must not leave a setup behind for the next one.
    if (WaitForSingleObject(_process, 0) == WAIT_TIMEOUT) TerminateProcess(_process, 99);
    WaitForSingleObject(_process, 5000);
    CloseHandle(_process);
}

bool SetupProcess::WaitForExit(DWORD timeoutMs) {
    return _process && WaitForSingleObject(_process, timeoutMs) == WAIT_OBJECT_0;
}
