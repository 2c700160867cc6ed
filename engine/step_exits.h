// A worker step's protocol: its exit line follows its result (done, cancelled, anything else
// failed).
#pragma once

#include <string>

#include "base/step_protocol.h"
#include "engine/step_feedback.h"
#include "engine/step_result.h"

struct StepExits {
    const wchar_t* done;
    const wchar_t* cancelled;
    const wchar_t* failed;
};

class WorkerStep : public StepProtocol {
  public:
    WorkerStep(StepFeedback& ui, const wchar_t* entry, const StepExits& exits)
        : StepProtocol([&ui](const std::wstring& line) { ui.Log(line); }, entry, exits.failed),
          _exits(exits) {}

    // The exit line for `result`, which the step then returns.
    int32_t Ends(int32_t result) {
        return Leave(result == kStepDone        ? _exits.done
                     : result == kStepCancelled ? _exits.cancelled
                                                : _exits.failed,
                     result);
    }

  private:
    StepExits _exits;
};
