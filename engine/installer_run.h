// Package installers run as silent child processes and supervised until they end: the progress
// bar keeps moving and the user may ask to cancel. An installer that finds another installation
// running is started again a while later; any other failing exit code fails the step.
#pragma once

#include <cstdint>
#include <string>

#include "engine/installer_commands.h"
#include "engine/step_feedback.h"
#include "engine/system_services.h"

// 0 when the installer succeeded or could not be started, 2 when the user confirmed a cancel
// meanwhile (the installer still runs to its end), 3 when it failed, -2 when it could not be
// supervised.
int32_t RunInstaller(StepFeedback& feedback, SystemServices& system,
                     const std::wstring& statusText, const InstallCommand& command);

// Uninstalls a package, with the bar counting down; no cancel question. 0 or -2.
int32_t RunRemoval(StepFeedback& feedback, SystemServices& system, const std::wstring& statusText,
                   const std::wstring& packagePath);
