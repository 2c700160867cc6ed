#include "engine/windows_system.h"

#include <algorithm>
#include <vector>

#include "sysdll/system_library_win.h"

namespace {

constexpr DWORD kValueBytes = 1024;

class WindowsProcess : public ChildProcess {
  public:
    explicit WindowsProcess(const PROCESS_INFORMATION& info) : _info(info) {}
    ~WindowsProcess() override {
        CloseHandle(_info.hThread);
        CloseHandle(_info.hProcess);
    }
    WindowsProcess(const WindowsProcess&) = delete;
    WindowsProcess& operator=(const WindowsProcess&) = delete;

    bool ExitCode(uint32_t& code, uint32_t& error) override {
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(_info.hProcess, &exitCode)) {
            error = GetLastError();
            return false;
        }
        code = exitCode;
        return true;
    }
    void Wait(uint32_t milliseconds) override { WaitForSingleObject(_info.hProcess, milliseconds); }
    void Terminate() override { TerminateProcess(_info.hProcess, 0); }

  private:
    PROCESS_INFORMATION _info;
};

// A program named without a folder, as the installers are ("msiexec", "wusa.exe"), is the
// system folder's: the system would look for it in the setup's own folder first.
std::wstring SystemProgram(const std::wstring& commandLine) {
    if (commandLine.empty() || commandLine.front() == L'"') return {};
    const std::wstring program = commandLine.substr(0, commandLine.find(L' '));
    if (program.find_first_of(L"\\/:") != std::wstring::npos) return {};
    return SystemFolderPath(program.find(L'.') == std::wstring::npos ? program + L".exe" : program);
}

}  // namespace

WindowsSystem::~WindowsSystem() {
    if (_key) RegCloseKey(_key);
}

std::unique_ptr<ChildProcess> WindowsSystem::StartProcess(const std::wstring& commandLine,
                                                          bool inheritHandles, uint32_t& error) {
    // The call may write into the command line: a private copy, with room for 1024 characters.
    std::vector<wchar_t> buffer(std::max<size_t>(commandLine.size() + 1, 1024), L'\0');
    std::copy(commandLine.begin(), commandLine.end(), buffer.begin());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring program = SystemProgram(commandLine);
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), buffer.data(), nullptr,
                        nullptr, inheritHandles ? TRUE : FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WindowsProcess>(info);
}

void WindowsSystem::Pause(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t WindowsSystem::OpenProductKey() {
    if (_key) return ERROR_SUCCESS;
    return RegOpenKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvath\\Ventrola", &_key);
}

uint32_t WindowsSystem::ReadProductValue(const wchar_t* name, std::wstring& value) {
    if (!_key) return ERROR_INVALID_HANDLE;
    wchar_t text[kValueBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = 0;
    DWORD size = kValueBytes;
    const LONG result =
        RegQueryValueExW(_key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    if (result != ERROR_SUCCESS) return static_cast<uint32_t>(result);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATATYPE;
    // A value stored without its final zero still ends inside the buffer.
    text[size / sizeof(wchar_t)] = L'\0';
    value = text;
    return ERROR_SUCCESS;
}

std::wstring WindowsSystem::ErrorText(uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    // The system's texts end with a line break, which the log line adds itself.
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n'))
        message.pop_back();
    return message;
}
