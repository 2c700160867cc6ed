#include "engine/installation_worker.h"

#include <vector>

#include "base/environment.h"
#include "base/fresh_file_win.h"
#include "base/link_locations.h"
#include "base/printf_fill.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/installed_products.h"
#include "checks/requirements.h"
#include "engine/download_folder_win.h"
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
    explicit WindowsWorkerPlatform(WorkerParam* record) : _record(record) {}
    ~WindowsWorkerPlatform() override {
        for (const HANDLE log : _installerLogs) CloseHandle(log);
    }
    WindowsWorkerPlatform(const WindowsWorkerPlatform&) = delete;
    WindowsWorkerPlatform& operator=(const WindowsWorkerPlatform&) = delete;

    std::optional<std::wstring> CreateDownloadFolder() override {
        if (!TempPathFits(TempPath, IsWow64())) {
            WriteLog((L"The temporary folder's path is too long for the packages: " + TempPath)
                         .c_str());
            return std::nullopt;
        }
        uint32_t error = 0;
        DownloadFolder = ::CreateDownloadFolder(TempPath, GetCurrentProcessId(), error);
        if (DownloadFolder.empty()) {
            WriteLog(FillConversions(L"No new download folder could be made in %s rc = %d",
                                     {TempPath, std::to_wstring(error)})
                         .c_str());
            return std::nullopt;
        }
        WriteLog((L"Temporary folder : " + DownloadFolder).c_str());
        return DownloadFolder;
    }

    int32_t DownloadPrereqs(const std::wstring& statusText, const PackageStep& package,
                            const std::wstring& path) override {
        RecordFeedback feedback(_record);
        const int32_t result =
            DownloadPackage(feedback, {statusText, path, MakeLinkUrl(package.linkPath)});
        if (result != kStepDone) return result;
        const uint32_t error = HoldPackage(path);
        if (error == ERROR_SUCCESS) return kStepDone;
        feedback.Log(
            FillConversions(L"Holding the package failed rc = %d", {std::to_wstring(error)}));
        return kStepFailed;
    }

    bool IsPackageSigned(const PackageStep& package, const std::wstring& path) override {
        return ::IsPackageSigned(path.c_str(), HeldPackage(path), package.fromMicrosoft);
    }

    void ClaimInstallerLog(const std::wstring& path) override {
        // Shared for the installer's writing, but nobody can delete or rename it meanwhile.
        const HANDLE log =
            CreateFreshFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (log != INVALID_HANDLE_VALUE) _installerLogs.push_back(log);
    }

    bool IsInstalled() override { return ::IsInstalled(); }

    std::wstring InstalledVersion() override {
        return FindRelatedProduct(kProductUpgradeCode).version;
    }

    void DeleteDownloads() override {
        for (const std::wstring& package : ReleasePackages()) DeleteFileW(package.c_str());
        if (!DownloadFolder.empty()) RemoveDownloadFolder(DownloadFolder);
    }

  private:
    WorkerParam* _record;
    std::vector<HANDLE> _installerLogs;
};

UINT ThreadResult(SetupOutcome outcome) {
    if (outcome == SetupOutcome::kSucceeded) return 1;
    return outcome == SetupOutcome::kInterrupted ? 2 : 3;
}

}  // namespace

UINT __cdecl ThreadDownloadInstall(LPVOID raw) {
    auto* record = static_cast<WorkerParam*>(raw);

    const MachineFacts facts{NeedVC8Prereq, NeedMSXMLPrereq, IsVersion60, IsWow64()};
    const InstallPlan plan{PackagesToInstall(facts), TempPath,
                           MsiPropertiesFor(GetUserDefaultUILanguage()),
                           TexturesSkipped(ReadEnvironment(L"TLR_NOEXPAND")),
                           UpgradeNeeded ? UpgradeVersion : std::wstring()};
    WindowsWorkerPlatform platform(record);
    RecordFeedback feedback(record);
    WindowsSystem system;
    const SetupOutcome outcome = RunInstallation(plan, platform, feedback, system);
    // The exit line is written: nothing of the record is used any more.
    delete record;
    return ThreadResult(outcome);
}
