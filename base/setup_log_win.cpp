#include <windows.h>

#include <share.h>

#include <cstdio>
#include <ctime>
#include <mutex>

#include "base/log_line.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"

namespace {

std::mutex logLock;
bool firstCall = true;
bool keepExisting = false;

std::string StampNow() {
    const __time64_t now = _time64(nullptr);
    std::tm local{};
    if (_localtime64_s(&local, &now) != 0) return {};
    return FormatLogStamp(local);
}

}  // namespace

void KeepExistingLog() {
    std::lock_guard<std::mutex> hold(logLock);
    keepExisting = true;
}

void WriteLog(const wchar_t* text) {
    std::lock_guard<std::mutex> hold(logLock);
    if (firstCall) {
        wchar_t temp[1024];
        const DWORD length = GetTempPathW(1024, temp);
        TempPath.assign(temp, length < 1024 ? length : 0);
        LogFilePath = TempPath + L"KSTInstall.log";
    }
    const bool truncate = firstCall && !keepExisting;
    firstCall = false;

    // Binary mode: the line already carries its CR LF.
    FILE* file = _wfsopen(LogFilePath.c_str(), truncate ? L"wb" : L"ab", _SH_DENYWR);
    if (!file) return;
    const std::string line =
        ComposeLogLine(StampNow(), text ? text : L"", AfxLoadString(IDS_LOG_LINE_TEMPLATE));
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
    std::fclose(file);
}
