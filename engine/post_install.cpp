#include "engine/post_install.h"

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/step_result.h"
#include "engine/post_install_commands.h"
#include "resources/resource_ids.h"

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Korvath\\Ventrola";
constexpr uint32_t kTexturePollMs = 100;

std::wstring Number(int64_t value) { return std::to_wstring(value); }

std::wstring CommandFailed(const std::wstring& commandLine, int64_t code) {
    return FillConversions(L"Command %s failed with return code  %d", {commandLine, Number(code)});
}

// Polls the tool until it ends and gives its exit code: 2 when the user confirmed a cancel and
// the tool was stopped, -2 when its state cannot be read.
uint32_t WatchTextureTool(StepFeedback& ui, ChildProcess& tool, std::wstring& message) {
    uint32_t code = 0;
    do {
        uint32_t error = 0;
        if (!tool.ExitCode(code, error)) return static_cast<uint32_t>(-2);
        if (CancelPressed() && AskBeforeCancelExpand) {
            --ProgressEnabled;
            const bool confirmed = ui.ConfirmCancel();
            CancelAnswered(confirmed);
            if (confirmed) {
                message = L"Setup was interrupted by user during Expand Textures";
                ui.ShowStatus(ui.ProductText(IDS_CANCEL_IN_PROGRESS));
                AskBeforeCancelExpand = false;
                tool.Terminate();
                ++ProgressEnabled;
                return kStepCancelled;
            }
            AskBeforeCancelExpand = true;
            ++ProgressEnabled;
        }
        tool.Wait(kTexturePollMs);
    } while (code == kStillActive);
    return code;
}

}  // namespace

int32_t ExpandTextures::_dialogWindow = 0;
std::wstring ExpandTextures::_installPath;

int32_t ExpandTextures::Run(StepFeedback& ui, SystemServices& system,
                            const std::wstring& statusText) {
    ui.Log(L"IN->ExpandTextures::Expand ()");
    int32_t result = kStepDone;
    std::wstring message;
    if (const uint32_t error = system.OpenProductKey(); error != 0) {
        message = FillConversions(L"Cannnot open registry key HKLM\\%s - rc = %d",
                                  {kProductKey, Number(error)});
    } else if (const uint32_t unread = system.ReadProductValue(L"InstallPath", _installPath);
               unread != 0) {
        // Without it the tool's path would start at the root of the current drive, which any
        // user can write to.
        _installPath.clear();
        message = FillConversions(L"Cannnot query key value HKLM\\%s\\InstallPath.", {kProductKey});
        result = -2;
    } else {
        ui.Log(_installPath);
        if (const std::optional<int32_t> window = ui.DialogWindow()) {
            ui.ShowStatus(statusText);
            _dialogWindow = *window;
        }
        const std::wstring commandLine = TextureToolCommandLine(_installPath, _dialogWindow);
        ui.Log(commandLine);

        uint32_t startError = 0;
        std::unique_ptr<ChildProcess> tool = system.StartProcess(commandLine, true, startError);
        if (!tool) {
            message = FillConversions(L"Create Process  %s failed rc = %d",
                                      {commandLine, Number(startError)});
        } else {
            result = static_cast<int32_t>(WatchTextureTool(ui, *tool, message));
            if (result == kStepDone) {
                ui.Log(L"OUT->ExpandTextures::Expand () OK");
                return kStepDone;
            }
            if (result == kStepCancelled) {
                ui.Log(message);
                ui.Log(L"OUT->ExpandTextures::Expand () CANCEL");
                return kStepCancelled;
            }
            message = CommandFailed(commandLine, result);
        }
    }
    ui.Log(message);
    ui.Log(L"OUT->ExpandTextures::Expand ()KO");
    return result;
}

int32_t RunGraphicOptimizer(StepFeedback& ui, SystemServices& system, uint32_t limitMs) {
    ui.Log(L"IN->LaunchGraphicOptimizer ()");
    std::wstring message;
    uint32_t error = 0;
    std::wstring installPath;
    if ((error = system.OpenProductKey()) != 0) {
        message = FillConversions(L"Cannnot open registry key HKLM\\%s.", {kProductKey});
    } else if ((error = system.ReadProductValue(L"InstallPath", installPath)) != 0) {
        message = FillConversions(L"Cannnot query key value HKLM\\%s\\InstallPath.", {kProductKey});
    } else {
        ui.Log(installPath);
        const std::wstring commandLine = OptimizerCommandLine(installPath);
        ui.Log(commandLine);
        std::unique_ptr<ChildProcess> optimizer = system.StartProcess(commandLine, true, error);
        if (optimizer) {
            optimizer->Wait(limitMs);
            uint32_t code = 0;
            if (optimizer->ExitCode(code, error)) {
                if (code == kStillActive) {
                    optimizer->Terminate();
                    ui.Log(L"OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)");
                    return 0;
                }
                if (code == 0) {
                    ui.Log(L"OUT->LaunchGraphicOptimizer OK");
                    return 0;
                }
                ui.Log(CommandFailed(commandLine, static_cast<int32_t>(code)));
                ui.Log(L"OUT->LaunchGraphicOptimizer KO");
                return static_cast<int32_t>(code);
            }
        }
    }
    ui.Log(message + system.ErrorText(error));
    ui.Log(L"OUT->LaunchGraphicOptimizer KO");
    return -2;
}

void RunLaunchProduct(StepFeedback& ui, SystemServices& system, UserShell& shell,
                      const std::optional<std::wstring>& launchId) {
    if (!launchId) return;
    if (const wchar_t* refusal = LaunchIdRefusal(*launchId)) {
        ui.Log(refusal);
        return;
    }
    if (system.OpenProductKey() != 0) return;
    std::wstring commandTemplate;
    system.ReadProductValue(L"CmdLine", commandTemplate);
    const std::wstring command = LaunchCommand(commandTemplate, *launchId);
    ui.Log(L"launch = " + command);
    const ProgramAndArguments parts = SplitCommandLine(command);
    if (!OpenForUser(shell, parts.program, parts.arguments,
                     [&ui](const std::wstring& line) { ui.Log(line); }))
        ui.Log(L"The product could not be started");
}
