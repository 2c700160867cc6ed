// Reading and pressing the controls of a dialog that may belong to another process.
#include "tests/tools/ui_driver/poll.h"
#include "tests/tools/ui_driver/ui_driver.h"

#include <vector>

namespace ui_driver {
namespace {

// Long enough for a dialog thread busy painting, short enough that a hung one fails the call.
constexpr UINT kSendTimeoutMs = 3000;
constexpr DWORD kCheckTimeoutMs = 3000;

std::string Named(int id) { return "control " + std::to_string(id); }

// WM_GETTEXT is marshalled across processes by the system; a timeout keeps a hung dialog from
// hanging the driver with it.
std::optional<std::wstring> SendGetText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied)) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
}

std::optional<LRESULT> SendQuery(HWND control, UINT message) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(control, message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(answer);
}

Result<HWND> FindPressable(HWND dialog, int id) {
    Result<HWND> control = FindControl(dialog, id);
    if (!control) return control;
    if (!IsWindowVisible(*control.value)) return Result<HWND>::Fail(Named(id) + " is hidden");
    if (!IsWindowEnabled(*control.value)) return Result<HWND>::Fail(Named(id) + " is disabled");
    return control;
}

}  // namespace

Result<HWND> FindControl(HWND dialog, int id) {
    if (!IsWindow(dialog)) return Result<HWND>::Fail("the window no longer exists");
    const int wanted = id & 0xFFFF;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetDlgCtrlID(child) & 0xFFFF) == wanted) return Result<HWND>::Ok(child);
    }
    return Result<HWND>::Fail("no " + Named(id) + " in the window \"" +
                              Narrow(WindowCaption(dialog)) + "\"");
}

Result<ControlState> ReadControl(HWND dialog, int id) {
    const Result<HWND> control = FindControl(dialog, id);
    if (!control) return Result<ControlState>::Fail(control.error);
    const std::optional<std::wstring> text = SendGetText(*control.value);
    if (!text) return Result<ControlState>::Fail("reading the text of " + Named(id) + " timed out");
    ControlState state;
    state.text = *text;
    state.visible = IsWindowVisible(*control.value) != FALSE;
    state.enabled = IsWindowEnabled(*control.value) != FALSE;
    return Result<ControlState>::Ok(state);
}

Result<bool> IsChecked(HWND dialog, int id) {
    const Result<HWND> control = FindControl(dialog, id);
    if (!control) return Result<bool>::Fail(control.error);
    const std::optional<LRESULT> state = SendQuery(*control.value, BM_GETCHECK);
    if (!state) return Result<bool>::Fail("reading the state of " + Named(id) + " timed out");
    return Result<bool>::Ok(*state == BST_CHECKED);
}

Result<Done> WaitForHidden(HWND dialog, int id, DWORD timeoutMs) {
    const Result<HWND> control = FindControl(dialog, id);
    if (!control) return Result<Done>::Fail(control.error);
    if (!PollUntil(timeoutMs, [&] { return !IsWindowVisible(*control.value); })) {
        return Result<Done>::Fail(Named(id) + " is still visible after " +
                                  std::to_string(timeoutMs) + " ms");
    }
    return Result<Done>::Ok({});
}

Result<Done> PressButton(HWND dialog, int id) {
    const Result<HWND> button = FindPressable(dialog, id);
    if (!button) return Result<Done>::Fail(button.error);
    // The command a click sends, posted to the owner of the button: it needs neither focus nor
    // an active window, which a driver cannot count on under Wine.
    const WPARAM command = MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED);
    if (!PostMessageW(dialog, WM_COMMAND, command, reinterpret_cast<LPARAM>(*button.value))) {
        return Result<Done>::Fail("posting the click on " + Named(id) + " failed");
    }
    return Result<Done>::Ok({});
}

Result<Done> SetChecked(HWND dialog, int id, bool checked) {
    const Result<HWND> box = FindPressable(dialog, id);
    if (!box) return Result<Done>::Fail(box.error);
    const Result<bool> now = IsChecked(dialog, id);
    if (!now) return Result<Done>::Fail(now.error);
    if (*now.value == checked) return Result<Done>::Ok({});
    // A real click: the box toggles its own state and then notifies the dialog, as for a user.
    if (!PostMessageW(*box.value, BM_CLICK, 0, 0)) {
        return Result<Done>::Fail("posting the click on " + Named(id) + " failed");
    }
    const bool changed = PollUntil(kCheckTimeoutMs, [&] {
        const Result<bool> state = IsChecked(dialog, id);
        return state && *state.value == checked;
    });
    if (!changed) {
        return Result<Done>::Fail(Named(id) + " did not become " +
                                  (checked ? "checked" : "unchecked") + " after a click");
    }
    return Result<Done>::Ok({});
}

}  // namespace ui_driver
