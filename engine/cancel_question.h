// The one cancel question of the worker's steps.
#pragma once

#include <atomic>

#include "engine/step_feedback.h"

// Asks whether to cancel when Cancel was pressed since the last answer; true for Yes. The
// progress bar holds still while the question is open. A step with a switch of its own (`ask`)
// asks only while it is on, turns it off at a Yes and then says on the status line that a
// cancel is under way.
bool CancelConfirmed(StepFeedback& ui, std::atomic<bool>* ask = nullptr);
