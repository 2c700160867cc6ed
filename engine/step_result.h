// The results the worker decides on after each step. A step may also pass on a code of its own
// (an installer that could not be supervised, a tool's exit code); every such code means failed.
#pragma once

#include <cstdint>

enum StepResult : int32_t {
    kStepDone = 0,
    kStepCancelled = 2,  // the user confirmed a cancel
    kStepFailed = 3,
};
