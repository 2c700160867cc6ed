// Worker-step feedback on Windows: the setup log, posts to the dialog through the worker's
// record, and the cancel question as a message box of the worker's own thread.
#pragma once

#include "base/worker_messages.h"
#include "engine/step_feedback.h"

class RecordFeedback : public StepFeedback {
  public:
    explicit RecordFeedback(WorkerParam* record) : _record(record) {}

    void Log(const std::wstring& line) override;
    void ShowStatus(const std::wstring& text) override;
    void ShowProgress(int32_t position, int32_t range) override;
    void ShowOutcome(SetupOutcome outcome) override;
    bool ConfirmCancel() override;
    std::wstring ProductText(unsigned id) override;
    std::optional<int32_t> DialogWindow() override;

  private:
    WorkerParam* _record;
};
