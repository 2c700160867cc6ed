#include "engine/install_sequence.h"

#include "base/printf_fill.h"
#include "base/step_protocol.h"
#include "base/setup_state.h"
#include "checks/version_rules.h"
#include "engine/installer_commands.h"
#include "engine/installer_run.h"
#include "engine/post_install.h"
#include "engine/step_result.h"
#include "resources/resource_ids.h"

namespace {

SetupOutcome AfterFailedStep(int32_t result) {
    return result == kStepCancelled ? SetupOutcome::kInterrupted : SetupOutcome::kFailedDownload;
}

const wchar_t* ExitLine(SetupOutcome outcome) {
    switch (outcome) {
        case SetupOutcome::kSucceeded:
            return L"OUT->ThreadDownloadInstall () OK ";
        case SetupOutcome::kInterrupted:
            return L"OUT->ThreadDownloadInstall () CANCEL ";
        default:
            return L"OUT->ThreadDownloadInstall () KO ";
    }
}

class Installation {
  public:
    Installation(const InstallPlan& plan, WorkerPlatform& platform, StepFeedback& feedback,
                 SystemServices& system)
        : plan_(plan), platform_(platform), feedback_(feedback), system_(system) {}

    SetupOutcome InstallPackages() {
        const std::optional<std::wstring> folder = platform_.CreateDownloadFolder();
        if (!folder) return SetupOutcome::kFailedDownload;
        downloadFolder_ = *folder;
        for (const PackageStep& package : plan_.packages) {
            const std::wstring path = downloadFolder_ + package.fileName;
            int32_t result =
                platform_.DownloadPrereqs(Text(package.downloadStatusId), package, path);
            if (result != kStepDone) return AfterFailedStep(result);
            if (!platform_.IsPackageSigned(package, path)) return SetupOutcome::kFailedDownload;
            if (!package.updatePackage)
                platform_.ClaimInstallerLog(InstallerLogPath(plan_.tempPath, package.fileName));
            const InstallCommand command{path,
                                         plan_.tempPath,
                                         package.fileName,
                                         package.updatePackage,
                                         package.product,
                                         package.product ? plan_.productProperties : L""};
            result = RunInstaller(feedback_, system_, Text(package.installStatusId), command);
            if (package.product && result == kStepCancelled) return RollBack(package);
            if (result != kStepDone) return AfterFailedStep(result);
        }
        if (!platform_.IsInstalled() || !UpgradeTookPlace()) return SetupOutcome::kFailedDownload;
        return RunProductPrograms();
    }

  private:
    // A failed upgrade leaves the old version registered, which IsInstalled cannot tell.
    bool UpgradeTookPlace() {
        if (plan_.upgradeVersion.empty()) return true;
        const std::wstring installed = platform_.InstalledVersion();
        if (CompareVersions(ParseVersionTriple(installed),
                            ParseVersionTriple(plan_.upgradeVersion)) == 0)
            return true;
        feedback_.Log(FillConversions(L"The upgrade to %s left version %s installed",
                                      {plan_.upgradeVersion, installed}));
        return false;
    }

    SetupOutcome RunProductPrograms() {
        if (plan_.skipTextures) {
            feedback_.Log(L"Expand of textures is skipped because variable TLR_NOEXPAND is set");
        } else {
            const int32_t expanded =
                ExpandTextures::Run(feedback_, system_, Text(IDS_EXPANDING_TEXTURES));
            if (expanded == kStepCancelled) return RollBack(plan_.packages.back());
            // The product stays installed; only its textures are missing.
            if (expanded != kStepDone) return SetupOutcome::kFailed;
        }
        feedback_.ShowStatus(Text(IDS_LAUNCHING_OPTIMIZER));
        if (const int32_t optimizer = RunGraphicOptimizer(feedback_, system_); optimizer != 0) {
            feedback_.Log(FillConversions(L"Graphic Optimizer failed - rc = %d",
                                          {std::to_wstring(optimizer)}));
        }
        return SetupOutcome::kSucceeded;
    }

    // The user cancelled while the product installed or its textures expanded: it goes again.
    SetupOutcome RollBack(const PackageStep& product) {
        RunRemoval(feedback_, system_, Text(IDS_REMOVING_PRODUCT),
                   downloadFolder_ + product.fileName);
        return SetupOutcome::kInterrupted;
    }

    std::wstring Text(unsigned id) { return feedback_.ProductText(id); }

    const InstallPlan& plan_;
    std::wstring downloadFolder_;
    WorkerPlatform& platform_;
    StepFeedback& feedback_;
    SystemServices& system_;
};

}  // namespace

SetupOutcome RunInstallation(const InstallPlan& plan, WorkerPlatform& platform,
                             StepFeedback& feedback, SystemServices& system) {
    StepProtocol step([&feedback](const std::wstring& line) { feedback.Log(line); },
                      L"IN->ThreadDownloadInstall ()", ExitLine(SetupOutcome::kFailedDownload));
    ProgressStep = 1;
    const SetupOutcome outcome = Installation(plan, platform, feedback, system).InstallPackages();
    platform.DeleteDownloads();
    feedback.ShowOutcome(outcome);
    return step.Leave(ExitLine(outcome), outcome);
}
