#include "setup_process.h"

#include "tests/win/app/win_test_support.h"

#include <sstream>

namespace {

std::wstring SetupExePath() {
    // CMake gives the Linux path; Wine sees the root file system as drive Z:.
    std::wstring path = L"Z:" TELLURA_SETUP_EXE;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

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
                           const std::map<std::wstring, std::wstring>& env) {
    std::map<std::wstring, std::wstring> overrides = env;
    overrides[L"TMP"] = logFolder;
    overrides[L"TEMP"] = logFolder;
    std::wstring environment = EnvironmentBlock(overrides);
    std::wstring commandLine = L"\"" + SetupExePath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
    }
}

SetupProcess::~SetupProcess() {
    if (!process_) return;
    // A failing case must not leave a setup behind for the next one.
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
}

bool SetupProcess::WaitForExit(DWORD timeoutMs) {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<LogLine> ReadSetupLog(const std::wstring& logFolder) {
    std::string bytes;
    HANDLE file =
        CreateFileW((logFolder + L"KSTInstall.log").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        CloseHandle(file);
    }
    std::istringstream content(bytes);
    std::vector<LogLine> lines;
    std::string line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "MM/DD/YY - HH:MM:SS: text"
        if (line.size() >= 21 && line.compare(19, 2, ": ") == 0) {
            lines.push_back({line.substr(0, 19), line.substr(21)});
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
