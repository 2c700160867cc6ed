#include "engine/installation_worker.h"

#include "base/environment.h"
#include "base/printf_fill.h"
#include "base/product_text.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/installed_products.h"
#include "checks/requirements.h"
#include "engine/package_hold.h"
#include "engine/package_table.h"
#include "engine/post_install.h"
#include "engine/post_install_commands.h"
#include "engine/record_feedback.h"
#include "engine/worker_steps.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kSucceeded = 1;
constexpr UINT kInterrupted = 2;
constexpr UINT kFailed = 3;

void DeleteDownloads() {
    ReleasePackages();
    // Files that were never downloaded fail to delete, which is fine.
    for (const std::wstring& name : DownloadedFileNames(IsWow64()))
        DeleteFileW((DownloadFolder + name).c_str());
    RemoveDirectoryW(DownloadFolder.c_str());
}

// The downloads deleted, then the one final message, the exit line and the record freed: once
// the dialog shows the outcome, Close may end the process at any moment.
UINT End(WorkerParam* record, UINT result, UINT message, const wchar_t* exitLine) {
    DeleteDownloads();
    PostSetupOutcome(record, message);
    WriteLog(exitLine);
    delete record;
    return result;
}

UINT Finish(WorkerParam* record, UINT result) {
    if (result == kInterrupted)
        return End(record, result, WM_SETUP_INTERRUPTED, L"OUT->ThreadDownloadInstall () CANCEL ");
    return End(record, result, WM_SETUP_FAILED_DOWNLOAD, L"OUT->ThreadDownloadInstall () KO ");
}

UINT FinishStep(WorkerParam* record, int32_t stepResult) {
    return Finish(record, stepResult == 2 ? kInterrupted : kFailed);
}

// The user cancelled while the product was installed or its textures expanded: it goes again.
UINT RollBack(WorkerParam* record, const PackageStep& product) {
    RemoveMSI(ProductText(IDS_REMOVING_PRODUCT), product.fileName, record);
    return Finish(record, kInterrupted);
}

void PrepareDownloadFolder() {
    wchar_t temp[1024];
    const DWORD length = GetTempPathW(1024, temp);
    TempPath.assign(temp, length < 1024 ? length : 0);
    DownloadFolder = DownloadFolderFor(TempPath, GetCurrentProcessId());
    CreateDirectoryW(DownloadFolder.c_str(), nullptr);
    WriteLog((L"Temporary folder : " + DownloadFolder).c_str());
}

}  // namespace

UINT __cdecl ThreadDownloadInstall(LPVOID raw) {
    auto* record = static_cast<WorkerParam*>(raw);
    WriteLog(L"IN->ThreadDownloadInstall ()");
    ProgressStep = 1;
    PrepareDownloadFolder();

    const MachineFacts facts{NeedVC8Prereq, NeedMSXMLPrereq, IsVersion60, IsWow64()};
    const std::vector<PackageStep> packages = PackagesToInstall(facts);
    for (const PackageStep& package : packages) {
        int32_t result = DownloadPrereqs(ProductText(package.downloadStatusId), package.fileName,
                                         package.linkPath, record);
        if (result != 0) return FinishStep(record, result);
        if (!IsPackageSigned((DownloadFolder + package.fileName).c_str()))
            return Finish(record, kFailed);
        result = InstallMSI(ProductText(package.installStatusId), package.fileName, record,
                            package.product, package.product ? GetMsiProperties() : L"",
                            package.updatePackage);
        if (package.product && result == 2) return RollBack(record, package);
        if (result != 0) return FinishStep(record, package.product ? 3 : result);
    }
    const PackageStep& product = packages.back();
    if (!IsInstalled()) return Finish(record, kFailed);

    if (!TexturesSkipped(ReadEnvironment(L"TLR_NOEXPAND"))) {
        const int32_t expanded =
            ExpandTextures::Expand(ProductText(IDS_EXPANDING_TEXTURES), record);
        if (expanded == 2) return RollBack(record, product);
        if (expanded != 0) {
            // The product stays installed; only its textures are missing.
            return End(record, kFailed, WM_SETUP_FAILED, L"OUT->ThreadDownloadInstall () KO ");
        }
    } else {
        WriteLog(L"Expand of textures is skipped because variable TLR_NOEXPAND is set");
    }

    RecordFeedback(record).ShowStatus(ProductText(IDS_LAUNCHING_OPTIMIZER));
    if (const int32_t optimizer = LaunchGraphicOptimizer(); optimizer != 0) {
        WriteLog(FillConversions(L"Graphic Optimizer failed - rc = %d",
                                 {std::to_wstring(optimizer)})
                     .c_str());
    }
    return End(record, kSucceeded, WM_SETUP_SUCCEEDED, L"OUT->ThreadDownloadInstall () OK ");
}
