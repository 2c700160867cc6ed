#include "engine/installation_worker.h"

#include "base/environment.h"
#include "base/link_locations.h"
#include "base/printf_fill.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/installed_products.h"
#include "checks/requirements.h"
#include "engine/install_sequence.h"
#include "engine/installer_commands.h"
#include "engine/package_download.h"
#include "engine/package_hold.h"
#include "engine/post_install_commands.h"
#include "engine/record_feedback.h"
#include "engine/step_result.h"
#include "engine/windows_system.h"

namespace {

class WindowsWorkerPlatform : public WorkerPlatform {
  public:
    explicit WindowsWorkerPlatform(WorkerParam* record) : record_(record) {}

    int32_t DownloadPrereqs(const std::wstring& statusText, const PackageStep& package,
                            const std::wstring& path) override {
        RecordFeedback feedback(record_);
        const int32_t result =
            DownloadPackage(feedback, {statusText, path, MakeLinkUrl(package.linkPath)});
        if (result != kStepDone) return result;
        const uint32_t error = HoldPackage(path);
        if (error == ERROR_SUCCESS) return kStepDone;
        feedback.Log(
            FillConversions(L"Holding the package failed rc = %d", {std::to_wstring(error)}));
        return kStepFailed;
    }

    bool IsPackageSigned(const std::wstring& path) override {
        return ::IsPackageSigned(path.c_str());
    }

    bool IsInstalled() override { return ::IsInstalled(); }

    void DeleteDownloads() override {
        ReleasePackages();
        // Files that were never downloaded fail to delete, which is fine.
        for (const std::wstring& name : DownloadedFileNames(IsWow64()))
            DeleteFileW((DownloadFolder + name).c_str());
        RemoveDirectoryW(DownloadFolder.c_str());
    }

  private:
    WorkerParam* record_;
};

void PrepareDownloadFolder() {
    wchar_t temp[1024];
    const DWORD length = GetTempPathW(1024, temp);
    TempPath.assign(temp, length < 1024 ? length : 0);
    DownloadFolder = DownloadFolderFor(TempPath, GetCurrentProcessId());
    CreateDirectoryW(DownloadFolder.c_str(), nullptr);
    WriteLog((L"Temporary folder : " + DownloadFolder).c_str());
}

UINT ThreadResult(SetupOutcome outcome) {
    if (outcome == SetupOutcome::kSucceeded) return 1;
    return outcome == SetupOutcome::kInterrupted ? 2 : 3;
}

}  // namespace

UINT __cdecl ThreadDownloadInstall(LPVOID raw) {
    auto* record = static_cast<WorkerParam*>(raw);
    WriteLog(L"IN->ThreadDownloadInstall ()");
    PrepareDownloadFolder();

    const MachineFacts facts{NeedVC8Prereq, NeedMSXMLPrereq, IsVersion60, IsWow64()};
    const InstallPlan plan{PackagesToInstall(facts), DownloadFolder, TempPath,
                           MsiPropertiesFor(GetUserDefaultUILanguage()),
                           TexturesSkipped(ReadEnvironment(L"TLR_NOEXPAND"))};
    WindowsWorkerPlatform platform(record);
    RecordFeedback feedback(record);
    WindowsSystem system;
    const SetupOutcome outcome = RunInstallation(plan, platform, feedback, system);
    // The exit line is written: nothing of the record is used any more.
    delete record;
    return ThreadResult(outcome);
}
