#include "app/startup_sequence.h"

#include "base/setup_state.h"
#include "resources/resource_ids.h"

namespace {

constexpr const wchar_t* kBuildStamp = L"06-26-2009.09.50";

// One setup at a time; false when this one must end (the refusals are shown and logged).
bool BecomeTheOnlySetup(StartupPlatform& platform, const std::wstring& endLine) {
    const InstanceGuard guard = platform.CreateInstanceGuard();
    if (guard == InstanceGuard::kNotCreated) return false;
    if (guard == InstanceGuard::kAnotherSetup) {
        platform.ShowError(platform.ProductText(IDS_ANOTHER_SETUP));
        platform.BringRunningSetupForward();
        platform.ReleaseGuards();
        return false;
    }
    std::wstring markerError;
    if (platform.CreateSetupRunningMarker(markerError)) return true;
    platform.Log(markerError);
    platform.Log(endLine);
    platform.ReleaseGuards();
    return false;
}

void CheckTheMachine(StartupPlatform& platform) {
    platform.CheckRequirements();
    if (const std::optional<std::wstring> server = platform.CustomServer()) {
        const std::wstring warning =
            std::wstring(L"Internal test for ") + kProductName + L" from " + *server;
        platform.ShowWarning(warning);
        platform.Log(warning);
    }
    platform.Log(std::wstring(L"Version ") + kBuildStamp);
    platform.PinPublisher();
    platform.CheckAllPrereqs();
}

}  // namespace

void RunStartup(StartupPlatform& platform) {
    CancelRequests = 0;
    ProgressEnabled = 1;
    const std::wstring endLine = platform.ProductText(IDS_LOG_END);

    // A setup that is about to be refused must not wipe the running setup's log.
    if (platform.AnotherSetupHoldsGuard()) platform.KeepExistingLog();
    platform.Log(platform.ProductText(IDS_LOG_BEGIN));

    if (!platform.IsUserAdmin()) {
        const std::wstring refusal = platform.ProductText(IDS_NOT_ADMIN);
        platform.ShowError(refusal);
        platform.Log(refusal);
        platform.Log(endLine);
        return;
    }
    if (!BecomeTheOnlySetup(platform, endLine)) return;
    CheckTheMachine(platform);

    const intptr_t endCode = platform.RunDialog();
    // The worker may still be deleting the downloads: the process must not end under it.
    platform.WaitForWorker(kWorkerEndWaitMs);
    platform.ReleaseGuards();

    if (endCode == kDialogInstalled) {
        platform.Log(L"IDOK");
        platform.LaunchProduct();
    } else if (endCode == kDialogCancelled || endCode == kDialogAborted) {
        platform.Log(L"IDCANCEL");
    } else if (endCode == kDialogNotCreated) {
        platform.Log(L"The setup dialog could not be created");
    }
    platform.Log(endLine);
}
