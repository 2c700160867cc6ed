#include "engine/installer_run.h"

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "resources/resource_ids.h"

namespace {

constexpr uint32_t kInstallPollMs = 300;
constexpr uint32_t kRemovalPollMs = 1500;
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

}  // namespace

int32_t RunInstaller(StepFeedback& ui, SystemServices& system, const std::wstring& statusText,
                     const InstallCommand& command) {
    ui.Log(L"IN->InstallMSI ()");
    ui.ShowStatus(statusText);
    ui.Log(command.packagePath);
    const std::wstring commandLine = InstallCommandLine(command);
    ui.Log(commandLine);

    uint32_t error = 0;
    const std::unique_ptr<ChildProcess> process = system.StartProcess(commandLine, false, error);
    std::wstring message;
    int32_t result = 0;
    if (!process) {
        message = ErrorLine(L"Process failed rc = %d", error);
    } else {
        ProgressStep = 0;
        ui.ShowProgress(1, 100);
        uint32_t code = 0;
        const bool ended = Supervise(*process, code, message, [&] {
            if (CancelRequests.load() == 1 && AskBeforeCancel) {
                if (ui.ConfirmCancel()) {
                    result = 2;
                    ui.ShowStatus(ui.ProductText(IDS_CANCEL_IN_PROGRESS));
                    AskBeforeCancel = false;
                } else {
                    AskBeforeCancel = true;
                    --CancelRequests;
                }
            }
            process->Wait(kInstallPollMs);
            ui.ShowProgress(++ProgressStep, 100);
            if (ProgressStep == 100) ProgressStep = 0;
        });
        if (ended) ui.Log(InstallerExitLine(code));
        else result = kUnsupervised;
        ui.ShowProgress(100, 100);
        if (result != kUnsupervised) {
            if (ProgressStep < 60) {
                ui.ShowProgress(60, 60);
                system.Pause(200);
            }
            ui.Log(L"OUT->InstallMSI () OK");
            if (result == 2) {
                ui.Log(L"Setup was interrupted by user after " + command.packagePath +
                       L" installation");
                ui.Log(L"OUT->InstallMSI () CANCEL");
            }
            return result;
        }
    }
    ui.Log(message);
    ui.Log(L"OUT->InstallMSI () KO");
    return result;
}

int32_t RunRemoval(StepFeedback& ui, SystemServices& system, const std::wstring& statusText,
                   const std::wstring& packagePath) {
    ui.Log(L"IN->RemoveMSI ()");
    ui.ShowStatus(statusText);
    const std::wstring commandLine = RemoveCommandLine(packagePath);
    ui.Log(commandLine);

    uint32_t error = 0;
    const std::unique_ptr<ChildProcess> process = system.StartProcess(commandLine, false, error);
    std::wstring message;
    int32_t result = 0;
    if (!process) {
        message = ErrorLine(L"Process failed rc = %d", error);
    } else {
        ProgressStep = 60;
        ui.ShowProgress(59, 60);
        uint32_t code = 0;
        const bool ended = Supervise(*process, code, message, [&] {
            process->Wait(kRemovalPollMs);
            ui.ShowProgress(--ProgressStep, 60);
        });
        if (ended) {
            ui.Log(InstallerExitLine(code));
            ui.ShowProgress(0, 60);
            ui.Log(L"OUT->RemoveMSI () OK");
            return 0;
        }
        result = kUnsupervised;
    }
    ui.Log(message);
    ui.Log(L"OUT->RemoveMSI () KO");
    return result;
}
