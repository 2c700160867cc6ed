// What a worker step tells or asks the user: log lines, the dialog's status line and progress
// bar, and the cancel question. The Windows side posts to the dialog's window; tests record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// How a run ends, as the dialog shows it: kFailed only when the product stays installed without
// its textures; every other failure is kFailedDownload.
enum class SetupOutcome { kSucceeded, kFailedDownload, kFailed, kInterrupted };

class StepFeedback {
  public:
    virtual ~StepFeedback() = default;

    virtual void Log(const std::wstring& line) = 0;
    // Puts the text in the worker's record and posts it; nothing without a record.
    virtual void ShowStatus(const std::wstring& text) = 0;
    // Nothing without a record.
    virtual void ShowProgress(int32_t position, int32_t range) = 0;
    // The one final message of a run; nothing without a record.
    virtual void ShowOutcome(SetupOutcome outcome) = 0;
    // The owner-less Yes/No question "cancel the installation?"; true for Yes.
    virtual bool ConfirmCancel() = 0;
    // A catalogue text with the product name for "%1".
    virtual std::wstring ProductText(unsigned id) = 0;
    // The dialog's window handle as a number, when there is a record.
    virtual std::optional<int32_t> DialogWindow() = 0;
};
