#include "engine/post_install.h"

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/cancel_question.h"
#include "engine/step_exits.h"
#include "engine/step_result.h"
#include "engine/post_install_commands.h"

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Korvath\\Ventrola";
constexpr uint32_t kTexturePollMs = 100;
constexpr StepExits kExpandExits{L"OUT->ExpandTextures::Expand () OK",
                                 L"OUT->ExpandTextures::Expand () CANCEL",
                                 L"OUT->ExpandTextures::Expand ()KO"};

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
        if (CancelConfirmed(ui, &AskBeforeCancelExpand)) {
            message = L"Setup was interrupted by user during Expand Textures";
            tool.Terminate();
            return kStepCancelled;
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
    WorkerStep step(ui, L"IN->ExpandTextures::Expand ()", kExpandExits);
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
            if (result == kStepDone) return step.Ends(kStepDone);
            if (result == kStepCancelled) {
                ui.Log(message);
                return step.Ends(kStepCancelled);
            }
            message = CommandFailed(commandLine, result);
        }
    }
    // A missing key or a tool that does not start leaves the result done: the run goes on.
    ui.Log(message);
    return result;
}

int32_t RunGraphicOptimizer(StepFeedback& ui, SystemServices& system, uint32_t limitMs) {
    StepProtocol step([&ui](const std::wstring& line) { ui.Log(line); },
                      L"IN->LaunchGraphicOptimizer ()", L"OUT->LaunchGraphicOptimizer KO");
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
                    return step.Leave(L"OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)", 0);
                }
                if (code == 0) return step.Leave(L"OUT->LaunchGraphicOptimizer OK", 0);
                ui.Log(CommandFailed(commandLine, static_cast<int32_t>(code)));
                return static_cast<int32_t>(code);
            }
        }
    }
    ui.Log(message + system.ErrorText(error));
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
