#include <windows.h>
#include <shlobj.h>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/catalog_text_win.h"
#include "checks/disk_rules.h"
#include "checks/requirements.h"
#include "resources/resource_ids.h"

bool IsEnoughDiskSpace(std::wstring& message) {
    WriteLog(L"IN-> IsEnoughDiskSpace()");
    const DiskThreshold threshold = RequiredDiskSpace(UpgradeNeeded);

    wchar_t folder[MAX_PATH] = {};
    ULARGE_INTEGER available{};
    // A folder that cannot be found is measured like a failing volume query.
    const bool haveFolder =
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder));
    if (!haveFolder || !GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) {
        const DWORD error = haveFolder ? GetLastError() : ERROR_PATH_NOT_FOUND;
        WriteLog(
            CatalogText(IDS_FUNCTION_FAILED, {L"GetDiskSpaceEx", std::to_wstring(error)}).c_str());
        message = AfxLoadString(IDS_DISK_SIZE_ERROR);
        WriteLog(L"OUT-> IsEnoughDiskSpace() - KO");
        return false;
    }
    message = CatalogText(IDS_BYTES, {std::to_wstring(available.QuadPart)});
    WriteLog(message.c_str());

    if (IsEnoughSpace(available.QuadPart, UpgradeNeeded)) {
        WriteLog(L"OUT-> IsEnoughDiskSpace() - OK ");
        return true;
    }
    message =
        CatalogText(IDS_DISK_SPACE_REQUIRED, {kProductName, std::to_wstring(threshold.megabytes)});
    WriteLog(L"OUT-> IsEnoughDiskSpace() - KO");
    return false;
}
