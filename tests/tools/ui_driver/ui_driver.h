// Drives the setup dialog (a top-level window of class "KESTRAClass") and owner-less message
// boxes from outside: any process of the same desktop, which under Wine means the same prefix.
// Every call reports failure as a value with a message a test or script can print as it is.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/win/support/win_test_support.h"  // Narrow, for the messages

namespace ui_driver {

template <typename T>
struct Result {
    std::optional<T> value;
    std::string error;  // set exactly when value is empty

    explicit operator bool() const { return value.has_value(); }
    static Result Ok(T v) { return Result{std::move(v), {}}; }
    static Result Fail(std::string message) { return Result{std::nullopt, std::move(message)}; }
};

// Commands without an answer of their own.
struct Done {};

struct ControlState {
    std::wstring text;  // WM_GETTEXT; a SysLink answers it with its link markup
    bool visible = false;
    bool enabled = false;
};

enum class WindowKind { None, Dialog, MessageBox, Other };

struct WindowInfo {
    HWND hwnd = nullptr;
    WindowKind kind = WindowKind::None;
    std::wstring className;
    std::wstring caption;
};

// Finding windows. A window counts only once it is visible: a dialog becomes visible after its
// initialisation, so its controls are then in their first state.
Result<HWND> FindDialog();
Result<HWND> WaitForDialog(DWORD timeoutMs);
Result<Done> WaitForDialogGone(DWORD timeoutMs);
// A visible top-level "#32770" window; with a caption, only one whose caption is exactly that.
Result<HWND> FindMessageBox(const std::wstring* caption);
Result<HWND> WaitForMessageBox(const std::wstring* caption, DWORD timeoutMs);
// Until the window is destroyed, not merely hidden: for a message box, until the call that
// showed it has returned. Under Wine without a window manager that takes about two seconds.
Result<Done> WaitForWindowGone(HWND window, DWORD timeoutMs);
WindowInfo ForegroundWindow();
std::wstring WindowCaption(HWND window);

// Controls, by id. Ids compare on their low 16 bits, so -1 and 0xFFFF name the same static
// whether the template stored the id as a word or as a double word.
Result<HWND> FindControl(HWND dialog, int id);
Result<ControlState> ReadControl(HWND dialog, int id);
Result<bool> IsChecked(HWND dialog, int id);
Result<Done> WaitForHidden(HWND dialog, int id, DWORD timeoutMs);

// Acting. Pressing a hidden or disabled button fails, as a user could not press it either.
// Posts are used so that a handler that opens a modal window cannot block the driver.
Result<Done> PressButton(HWND dialog, int id);
Result<Done> SetChecked(HWND dialog, int id, bool checked);
Result<Done> Minimise(HWND window);

// The mouse. A link is found by asking the control at which points it takes the mouse; the
// click is real input (cursor moved, button pressed and released), which the system delivers to
// whatever window is under the cursor.
Result<RECT> WindowRect(HWND window);
Result<POINT> FindLinkPoint(HWND dialog, int id);
Result<Done> ClickAt(POINT screen);

// A message box is a dialog too: its text is the static with this id, its buttons have the ids
// IDOK, IDYES, IDNO, IDCANCEL, so ReadControl and PressButton serve it as well.
constexpr int kMessageBoxTextId = 0xFFFF;

}  // namespace ui_driver
