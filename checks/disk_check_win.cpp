#include <windows.h>
#include <shlobj.h>

#include "base/setup_state.h"
#include "checks/check_outcome_win.h"
#include "checks/disk_rules.h"
#include "checks/requirements.h"

bool IsEnoughDiskSpace(std::wstring& message) {
    wchar_t folder[MAX_PATH] = {};
    ULARGE_INTEGER available{};
    DiskMeasure measure;
    // A folder that cannot be found is measured like a failing volume query.
    const bool haveFolder =
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder));
    measure.measured =
        haveFolder && GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr) != FALSE;
    if (measure.measured) {
        measure.freeBytes = available.QuadPart;
    } else {
        measure.error = haveFolder ? GetLastError() : ERROR_PATH_NOT_FOUND;
    }
    return ApplyOutcome(DecideDiskSpace(measure, UpgradeNeeded, ResourceCatalog), message);
}
