// Stand-in for the system's msiexec, copied over it in a test's Wine prefix with the real one
// kept beside it (kRealMsiexec). The first call that names the package in
// TELLURA_STANDIN_BUSY_PACKAGE ends with 1618, as while another installation holds the Windows
// Installer; every other call is the real msiexec's, with the same command line. Each call is
// written down with its exit code.
#include "stand_in.h"

namespace {

bool AlreadyBusy() {
    FILE* file = _wfopen(stand_in::RecordPath(L"msiexec").c_str(), L"rb");
    if (!file) return false;
    std::string text;
    char chunk[1024];
    for (size_t read; (read = std::fread(chunk, 1, sizeof(chunk), file)) > 0;)
        text.append(chunk, read);
    std::fclose(file);
    return text.find(" -> 1618\n") != std::string::npos;
}

DWORD RunRealMsiexec(std::wstring commandLine) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring real = self;
    real = real.substr(0, real.rfind(L'\\') + 1) + stand_in::kRealMsiexec;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(real.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return GetLastError();
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

}  // namespace

int wmain() {
    const std::wstring commandLine = GetCommandLineW();
    const wchar_t* package = _wgetenv(L"TELLURA_STANDIN_BUSY_PACKAGE");
    const bool busy =
        package && *package && commandLine.find(package) != std::wstring::npos && !AlreadyBusy();
    const DWORD code = busy ? ERROR_INSTALL_ALREADY_RUNNING : RunRealMsiexec(commandLine);
    stand_in::Record(L"msiexec", commandLine + L" -> " + std::to_wstring(code));
    return static_cast<int>(code);
}
