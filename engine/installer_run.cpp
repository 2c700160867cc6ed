#include "engine/installer_run.h"

#include <algorithm>

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/cancel_question.h"
#include "engine/step_exits.h"
#include "engine/step_result.h"
#include "resources/resource_ids.h"

namespace {

constexpr uint32_t kInstallPollMs = 300;
constexpr uint32_t kRemovalPollMs = 1500;
// While another installation runs (1618), the installer is started again after 5, 10, 20...
// seconds, two minutes in all: Windows Update or a second installer usually ends by then.
constexpr uint32_t kBusyFirstPauseMs = 5000;
constexpr uint32_t kBusyLongestWaitMs = 120000;
constexpr int32_t kUnsupervised = -2;

std::wstring ErrorLine(const wchar_t* text, uint32_t error) {
    return FillConversions(text, {std::to_wstring(static_cast<int32_t>(error))});
}

// Until the process has ended. The last exit code read is left in `code`; false with the
// message when it could not be read.
template <typename EachPoll>
bool Supervise(ChildProcess& process, uint32_t& code, std::wstring& message, EachPoll poll) {
    do {
        uint32_t error = 0;
        if (!process.ExitCode(code, error)) {
            message = ErrorLine(L"GetExitCodeProcess failed rc = %d", error);
            return false;
        }
        poll();
    } while (code == kStillActive);
    return true;
}

// Starts the installer; when it cannot, the message says why.
std::unique_ptr<ChildProcess> StartInstaller(SystemServices& system,
                                             const std::wstring& commandLine,
                                             std::wstring& message) {
    uint32_t error = 0;
    std::unique_ptr<ChildProcess> process = system.StartProcess(commandLine, false, error);
    if (!process) message = ErrorLine(L"Process failed rc = %d", error);
    return process;
}

constexpr StepExits kInstallExits{L"OUT->InstallMSI () OK", L"OUT->InstallMSI () CANCEL",
                                  L"OUT->InstallMSI () KO"};
// A removal is never cancelled.
constexpr StepExits kRemovalExits{L"OUT->RemoveMSI () OK", L"OUT->RemoveMSI () KO",
                                  L"OUT->RemoveMSI () KO"};

// The installer could not be started or watched: the step leaves with its failure line and
// `result`.
int32_t Failed(StepFeedback& ui, const std::wstring& message, int32_t result) {
    ui.Log(message);
    return result;
}

// One more step of the bar, which wraps at 100.
void Tick(StepFeedback& ui) {
    ui.ShowProgress(++ProgressStep, 100);
    if (ProgressStep == 100) ProgressStep = 0;
}

// Another installation holds the Windows Installer: the bar keeps moving and Cancel is asked
// while the setup waits for it. False when the user confirmed a cancel.
bool WaitForOtherInstallation(StepFeedback& ui, SystemServices& system, uint32_t milliseconds) {
    for (uint32_t slept = 0; slept < milliseconds; slept += kInstallPollMs) {
        if (CancelConfirmed(ui, &AskBeforeCancel)) return false;
        system.Pause(std::min(kInstallPollMs, milliseconds - slept));
        Tick(ui);
    }
    return true;
}

}  // namespace

int32_t RunInstaller(StepFeedback& ui, SystemServices& system, const std::wstring& statusText,
                     const InstallCommand& command) {
    WorkerStep step(ui, L"IN->InstallMSI ()", kInstallExits);
    ui.ShowStatus(statusText);
    ui.Log(command.packagePath);
    const std::wstring commandLine = InstallCommandLine(command);
    ui.Log(commandLine);

    int32_t result = kStepDone;
    uint32_t code = 0;
    uint32_t waited = 0;
    for (uint32_t pause = kBusyFirstPauseMs;; pause *= 2) {
        std::wstring message;
        const std::unique_ptr<ChildProcess> process = StartInstaller(system, commandLine, message);
        // Not started: the run goes on, and IsInstalled decides for the product.
        if (!process) return Failed(ui, message, kStepDone);

        ProgressStep = 0;
        ui.ShowProgress(1, 100);
        // A confirmed cancel does not stop the installer: it is watched to its end.
        const bool ended = Supervise(*process, code, message, [&] {
            if (CancelConfirmed(ui, &AskBeforeCancel)) result = kStepCancelled;
            process->Wait(kInstallPollMs);
            Tick(ui);
        });
        if (ended) ui.Log(InstallerExitLine(code));
        ui.ShowProgress(100, 100);
        if (!ended) return Failed(ui, message, kUnsupervised);

        if (JudgeInstallerExit(code, command.updatePackage) != InstallerVerdict::kBusy ||
            result == kStepCancelled || waited >= kBusyLongestWaitMs)
            break;
        pause = std::min(pause, kBusyLongestWaitMs - waited);
        ui.Log(FillConversions(
            L"Another installation is in progress; starting the installer again in %d s",
            {std::to_wstring(pause / 1000)}));
        ui.ShowStatus(ui.ProductText(IDS_INSTALLER_BUSY));
        if (!WaitForOtherInstallation(ui, system, pause)) {
            result = kStepCancelled;
            break;
        }
        ui.ShowStatus(statusText);
        waited += pause;
    }

    const InstallerVerdict verdict = JudgeInstallerExit(code, command.updatePackage);
    if (result != kStepCancelled &&
        (verdict == InstallerVerdict::kFailed || verdict == InstallerVerdict::kBusy))
        return step.Ends(kStepFailed);
    if (verdict == InstallerVerdict::kDoneAfterRestart)
        ui.Log(L"A restart of Windows completes the installation of " + command.packagePath);
    if (ProgressStep < 60) {
        ui.ShowProgress(60, 60);
        system.Pause(200);
    }
    if (result == kStepCancelled) {
        // The installer itself ended well: its line comes before the cancel's.
        ui.Log(kInstallExits.done);
        ui.Log(L"Setup was interrupted by user after " + command.packagePath + L" installation");
    }
    return step.Ends(result);
}

int32_t RunRemoval(StepFeedback& ui, SystemServices& system, const std::wstring& statusText,
                   const std::wstring& packagePath) {
    WorkerStep step(ui, L"IN->RemoveMSI ()", kRemovalExits);
    ui.ShowStatus(statusText);
    const std::wstring commandLine = RemoveCommandLine(packagePath);
    ui.Log(commandLine);

    std::wstring message;
    const std::unique_ptr<ChildProcess> process = StartInstaller(system, commandLine, message);
    if (!process) return Failed(ui, message, kStepDone);

    ProgressStep = 60;
    ui.ShowProgress(59, 60);
    uint32_t code = 0;
    const bool ended = Supervise(*process, code, message, [&] {
        process->Wait(kRemovalPollMs);
        ui.ShowProgress(--ProgressStep, 60);
    });
    if (!ended) return Failed(ui, message, kUnsupervised);
    ui.Log(InstallerExitLine(code));
    ui.ShowProgress(0, 60);
    return step.Ends(kStepDone);
}
