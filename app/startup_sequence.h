// The setup's start-up order: the log begun, the administrator check, one setup at a time, the
// machine's checks, the dialog, and once it ended with the product installed, the product
// started. The Windows side answers each step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// How long the end of the process waits for a worker still deleting its downloads.
inline constexpr uint32_t kWorkerEndWaitMs = 10000;

enum class InstanceGuard { kNotCreated, kFirst, kAnotherSetup };

// The dialog's end codes besides the others, which end the run without a word.
inline constexpr intptr_t kDialogInstalled = 1;  // IDOK
inline constexpr intptr_t kDialogCancelled = 2;  // IDCANCEL
inline constexpr intptr_t kDialogAborted = 3;    // IDABORT
inline constexpr intptr_t kDialogNotCreated = -1;

class StartupPlatform {
  public:
    virtual ~StartupPlatform() = default;

    virtual void Log(const std::wstring& line) = 0;
    // A catalogue text with the product name for "%1".
    virtual std::wstring ProductText(unsigned id) = 0;
    // An owner-less message box under the setup's caption.
    virtual void ShowError(const std::wstring& text) = 0;
    virtual void ShowWarning(const std::wstring& text) = 0;

    // Whether another setup holds the guard now; creates nothing.
    virtual bool AnotherSetupHoldsGuard() = 0;
    // The log file is appended to instead of started afresh.
    virtual void KeepExistingLog() = 0;
    virtual bool IsUserAdmin() = 0;
    // The guard and the marker are held until ReleaseGuards.
    virtual InstanceGuard CreateInstanceGuard() = 0;
    virtual void BringRunningSetupForward() = 0;
    // False with the reason as text.
    virtual bool CreateSetupRunningMarker(std::wstring& error) = 0;
    virtual void ReleaseGuards() = 0;

    virtual void CheckRequirements() = 0;
    // Reads and logs who signed the setup: the one publisher whose packages it installs.
    virtual void PinPublisher() = 0;
    virtual void CheckAllPrereqs() = 0;
    // The download server's name when it is not the product's own.
    virtual std::optional<std::wstring> CustomServer() = 0;

    // Shows the dialog until it ends and gives its end code.
    virtual intptr_t RunDialog() = 0;
    // Waits at most the time for the worker the dialog started, if any.
    virtual void WaitForWorker(uint32_t milliseconds) = 0;
    virtual void LaunchProduct() = 0;
};

void RunStartup(StartupPlatform& platform);
