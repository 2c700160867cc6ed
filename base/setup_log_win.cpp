#include <windows.h>

#include <ctime>
#include <mutex>
#include <vector>

#include "base/fresh_file_win.h"
#include "base/log_line.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"

namespace {

std::mutex logLock;
bool firstCall = true;
bool keepExisting = false;
// Held for the whole run without sharing deletion: the name cannot be swapped for a link
// between two lines. Others may read it, and a second setup may append.
HANDLE logFile = INVALID_HANDLE_VALUE;
constexpr DWORD kLogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

std::string StampNow() {
    const __time64_t now = _time64(nullptr);
    std::tm local{};
    if (_localtime64_s(&local, &now) != 0) return {};
    return FormatLogStamp(local);
}

// The whole path, however long: a path cut short would name another folder.
std::wstring ReadTempPath() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

// The running setup's log, appended to only when it is a plain file of one name.
HANDLE OpenExistingLog(const std::wstring& path) {
    const HANDLE file = CreateFileW(LongPathForm(path).c_str(), FILE_APPEND_DATA, kLogSharing,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && info.nNumberOfLinks == 1)
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

void KeepExistingLog() {
    std::lock_guard<std::mutex> hold(logLock);
    keepExisting = true;
}

void WriteLog(const wchar_t* text) {
    std::lock_guard<std::mutex> hold(logLock);
    const bool fresh = firstCall && !keepExisting;
    if (firstCall) {
        firstCall = false;
        TempPath = ReadTempPath();
        if (!TempPath.empty()) LogFilePath = TempPath + L"KSTInstall.log";
    }
    // Without a temporary folder there is no log: never one in the current folder.
    if (LogFilePath.empty()) return;
    // A log another process held at the first line is appended to once it can be.
    if (logFile == INVALID_HANDLE_VALUE)
        logFile = fresh ? CreateFreshFile(LogFilePath, GENERIC_WRITE, kLogSharing)
                        : OpenExistingLog(LogFilePath);
    if (logFile == INVALID_HANDLE_VALUE) return;
    const std::string line =
        ComposeLogLine(StampNow(), text ? text : L"", AfxLoadString(IDS_LOG_LINE_TEMPLATE));
    SetFilePointer(logFile, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(logFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
