#include "tests/win/support/win_test_support.h"

#include <cstdlib>
#include <sstream>
#include <thread>

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring WinePath(const std::wstring& unixPath) {
    // Wine sees the root file system as drive Z:.
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::wstring WinePathFromVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? WinePath(Wide(value)) : std::wstring();
}

std::wstring TestProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring MakeFreshFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((folder + L"\\" + entry.cFileName).c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return folder + L"\\";
}

DWORD RunTestProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + TestProgramFolder() + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    CloseHandle(file);
    return content;
}

void WriteWholeFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool SetWineVersion(const wchar_t* version) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status =
        *version
            ? RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                             static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)))
            : RegDeleteValueW(key, L"Version");
    RegCloseKey(key);
    return status == ERROR_SUCCESS || (!*version && status == ERROR_FILE_NOT_FOUND);
}

std::vector<LogLine> ReadLogLines(const std::wstring& path) {
    std::istringstream content(ReadWholeFile(path));
    std::vector<LogLine> lines;
    std::string line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 21 && line.compare(19, 2, ": ") == 0) {
            lines.push_back({line.substr(0, 19), line.substr(21)});
        } else if (line.compare(0, 2, ": ") == 0) {
            lines.push_back({"", line.substr(2)});  // a stamp that could not be formatted
        } else {
            lines.push_back({"", line});
        }
    }
    return lines;
}

int FindLine(const std::vector<LogLine>& lines, const std::string& text, int from) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
        if (lines[i].text == text) return i;
    }
    return -1;
}
