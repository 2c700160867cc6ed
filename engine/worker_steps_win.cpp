#include <windows.h>

#include "base/link_locations.h"
#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/installer_run.h"
#include "engine/package_download.h"
#include "engine/package_hold.h"
#include "engine/record_feedback.h"
#include "engine/windows_system.h"
#include "engine/worker_steps.h"

int32_t DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName,
                        const std::wstring& linkPath, WorkerParam* record) {
    RecordFeedback feedback(record);
    const std::wstring path = DownloadFolder + fileName;
    const int32_t result = DownloadPackage(feedback, {statusText, path, MakeLinkUrl(linkPath)});
    if (result != 0) return result;
    const uint32_t error = HoldPackage(path);
    if (error == ERROR_SUCCESS) return 0;
    feedback.Log(FillConversions(L"Holding the package failed rc = %d", {std::to_wstring(error)}));
    return 3;
}

int32_t InstallMSI(std::wstring statusText, std::wstring fileName, WorkerParam* record,
                   bool withProperties, std::wstring properties, bool isUpdatePackage) {
    RecordFeedback feedback(record);
    WindowsSystem system;
    const InstallCommand command{DownloadFolder + fileName, TempPath, fileName, isUpdatePackage,
                                 withProperties, properties};
    return RunInstaller(feedback, system, statusText, command);
}

int32_t RemoveMSI(std::wstring statusText, std::wstring fileName, WorkerParam* record) {
    RecordFeedback feedback(record);
    WindowsSystem system;
    return RunRemoval(feedback, system, statusText, DownloadFolder + fileName);
}

std::wstring GetMsiProperties() { return MsiPropertiesFor(GetUserDefaultUILanguage()); }
