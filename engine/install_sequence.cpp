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
        : _plan(plan), _platform(platform), _feedback(feedback), _system(system) {}

    SetupOutcome InstallPackages() {
        const std::optional<std::wstring> folder = _platform.CreateDownloadFolder();
        if (!folder) return SetupOutcome::kFailedDownload;
        _downloadFolder = *folder;
        for (const PackageStep& package : _plan.packages) {
            const std::wstring path = _downloadFolder + package.fileName;
            int32_t result =
                _platform.DownloadPrereqs(Text(package.downloadStatusId), package, path);
            if (result != kStepDone) return AfterFailedStep(result);
            if (!_platform.IsPackageSigned(package, path)) return SetupOutcome::kFailedDownload;
            if (!package.updatePackage)
                _platform.ClaimInstallerLog(InstallerLogPath(_plan.tempPath, package.fileName));
            const InstallCommand command{path,
                                         _plan.tempPath,
                                         package.fileName,
                                         package.updatePackage,
                                         package.product,
                                         package.product ? _plan.productProperties : L""};
            result = RunInstaller(_feedback, _system, Text(package.installStatusId), command);
            if (package.product && result == kStepCancelled) return RollBack(package);
            if (result != kStepDone) return AfterFailedStep(result);
        }
        if (!_platform.IsInstalled() || !UpgradeTookPlace()) return SetupOutcome::kFailedDownload;
        return RunProductPrograms();
    }

  private:
    // A failed upgrade leaves the old version registered, which IsInstalled cannot tell.
    bool UpgradeTookPlace() {
        if (_plan.upgradeVersion.empty()) return true;
        const std::wstring installed = _platform.InstalledVersion();
        if (CompareVersions(ParseVersionTriple(installed),
                            ParseVersionTriple(_plan.upgradeVersion)) == 0)
            return true;
        _feedback.Log(FillConversions(L"The upgrade to %s left version %s installed",
                                      {_plan.upgradeVersion, installed}));
        return false;
    }

    SetupOutcome RunProductPrograms() {
        if (_plan.skipTextures) {
            _feedback.Log(L"Expand of textures is skipped because variable TLR_NOEXPAND is set");
        } else {
            const int32_t expanded =
                ExpandTextures::Run(_feedback, _system, Text(IDS_EXPANDING_TEXTURES));
            if (expanded == kStepCancelled) return RollBack(_plan.packages.back());
            // The product stays installed; only its textures are missing.
            if (expanded != kStepDone) return SetupOutcome::kFailed;
        }
        _feedback.ShowStatus(Text(IDS_LAUNCHING_OPTIMIZER));
        if (const int32_t optimizer = RunGraphicOptimizer(_feedback, _system); optimizer != 0) {
            _feedback.Log(FillConversions(L"Graphic Optimizer failed - rc = %d",
                                          {std::to_wstring(optimizer)}));
        }
        return SetupOutcome::kSucceeded;
    }

    // The user cancelled while the product installed or its textures expanded: it goes again.
    SetupOutcome RollBack(const PackageStep& product) {
        RunRemoval(_feedback, _system, Text(IDS_REMOVING_PRODUCT),
                   _downloadFolder + product.fileName);
        return SetupOutcome::kInterrupted;
    }

    std::wstring Text(unsigned id) { return _feedback.ProductText(id); }

    const InstallPlan& _plan;
    std::wstring _downloadFolder;
    WorkerPlatform& _platform;
    StepFeedback& _feedback;
    SystemServices& _system;
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
