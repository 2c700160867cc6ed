#include "engine/record_feedback.h"

#include "base/product_text.h"
#include "base/setup_log.h"
#include "resources/resource_ids.h"

void RecordFeedback::Log(const std::wstring& line) { WriteLog(line.c_str()); }

void RecordFeedback::ShowStatus(const std::wstring& text) {
    if (!_record) return;
    _record->statusText = text;
    PostSetupStatus(_record);
}

void RecordFeedback::ShowProgress(int32_t position, int32_t range) {
    PostSetupProgress(_record, position, range);
}

void RecordFeedback::ShowOutcome(SetupOutcome outcome) {
    static constexpr UINT kMessages[] = {WM_SETUP_SUCCEEDED, WM_SETUP_FAILED_DOWNLOAD,
                                         WM_SETUP_FAILED, WM_SETUP_INTERRUPTED};
    PostSetupOutcome(_record, kMessages[static_cast<int>(outcome)]);
}

bool RecordFeedback::ConfirmCancel() {
    // No owner window: the dialog stays responsive while the question is open.
    return MessageBoxW(nullptr, ::ProductText(IDS_CONFIRM_CANCEL).c_str(),
                       ::ProductText(IDS_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::wstring RecordFeedback::ProductText(unsigned id) { return ::ProductText(id); }

std::optional<int32_t> RecordFeedback::DialogWindow() {
    if (!_record) return std::nullopt;
    // Window handles are 32-bit values on every Windows, also for 64-bit programs.
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(_record->hwnd));
}
