// The product's own programs, run by the setup once the product is installed: the texture tool
// (which reports its progress to the dialog itself), the graphics optimizer under a time limit,
// and the application when the setup was given a launch identifier.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/user_shell.h"
#include "engine/step_feedback.h"
#include "engine/system_services.h"

class ExpandTextures {
  public:
    // kStepDone (also when the product's key or the tool is missing), kStepCancelled by the
    // user or by the tool, otherwise the tool's exit code, or -2 (also when the install path
    // cannot be read).
    static int32_t Run(StepFeedback& feedback, SystemServices& system,
                       const std::wstring& statusText);

  private:
    // The dialog window last handed over, and the install path last read.
    static int32_t _dialogWindow;
    static std::wstring _installPath;
};

// How long the optimizer may run before it is stopped.
inline constexpr uint32_t kOptimizerLimitMs = 60000;

// 0 when the optimizer succeeded or had to be stopped at its time limit; otherwise its exit
// code, or -2 when it could not be run. The outcome of the setup does not depend on it.
int32_t RunGraphicOptimizer(StepFeedback& feedback, SystemServices& system,
                            uint32_t limitMs = kOptimizerLimitMs);

// Starts the installed application with the identifier, as the desktop's user, without
// waiting for it. An identifier that is not 1 to 255 of "A-Z a-z 0-9 . _ -" starts nothing.
void LaunchProduct();
void RunLaunchProduct(StepFeedback& feedback, SystemServices& system, UserShell& shell,
                      const std::optional<std::wstring>& launchId);
