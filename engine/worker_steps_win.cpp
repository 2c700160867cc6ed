#include <windows.h>

#include "base/link_locations.h"
#include "base/setup_state.h"
#include "engine/installer_run.h"
#include "engine/package_download.h"
#include "engine/record_feedback.h"
#include "engine/windows_system.h"
#include "engine/worker_steps.h"

int32_t DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName,
                        const std::wstring& linkPath, WorkerParam* record) {
    RecordFeedback feedback(record);
    return DownloadPackage(feedback, {statusText, DownloadFolder + fileName, MakeLinkUrl(linkPath)});
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
