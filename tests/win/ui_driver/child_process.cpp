#include "tests/win/ui_driver/child_process.h"

#include <thread>

#include "tests/win/support/win_test_support.h"

namespace ui_driver_test {
namespace {

// Quotes every argument; the tests pass no argument ending in a backslash.
std::wstring CommandLine(const std::wstring& exe, const std::vector<std::wstring>& args) {
    std::wstring line = L"\"" + exe + L"\"";
    for (const std::wstring& arg : args) {
        line += L" \"";
        for (wchar_t c : arg) {
            if (c == L'"') line += L'\\';
            line += c;
        }
        line += L"\"";
    }
    return line;
}

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

}  // namespace

std::wstring StandInExe() { return WinePath(L"" STAND_IN_EXE); }
std::wstring DriverExe() { return WinePath(L"" DRIVER_EXE); }

ChildProcess::~ChildProcess() {
    if (!_info.hProcess) return;
    if (WaitForSingleObject(_info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(_info.hProcess, 99);
        WaitForSingleObject(_info.hProcess, 5000);
    }
    CloseHandle(_info.hThread);
    CloseHandle(_info.hProcess);
}

bool ChildProcess::Start(const std::wstring& exe, const std::vector<std::wstring>& args) {
    std::wstring line = CommandLine(exe, args);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &_info) != FALSE;
}

long ChildProcess::Wait(DWORD timeoutMs) {
    if (!_info.hProcess || WaitForSingleObject(_info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(_info.hProcess, &code);
    return static_cast<long>(code);
}

Captured RunCaptured(const std::wstring& exe, const std::vector<std::wstring>& args) {
    Captured result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring line = CommandLine(exe, args);
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        // Both pipes are drained at once so that neither can fill up and stall the child.
        std::thread errReader([&] { result.err = ReadAll(errRead); });
        result.out = ReadAll(outRead);
        errReader.join();
        WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        result.exitCode = static_cast<long>(code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

}  // namespace ui_driver_test
