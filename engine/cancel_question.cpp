#include "engine/cancel_question.h"

#include "base/setup_state.h"
#include "resources/resource_ids.h"

bool CancelConfirmed(StepFeedback& ui, std::atomic<bool>* ask) {
    if (!CancelPressed() || (ask && !*ask)) return false;
    --ProgressEnabled;
    const bool confirmed = ui.ConfirmCancel();
    CancelAnswered(confirmed);
    if (confirmed && ask) ui.ShowStatus(ui.ProductText(IDS_CANCEL_IN_PROGRESS));
    if (ask) *ask = !confirmed;
    ++ProgressEnabled;
    return confirmed;
}
