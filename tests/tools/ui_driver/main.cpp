// ui_driver.exe: drives the setup dialog and message boxes from scripts.
//
//   ui_driver wait-dialog <ms>          wait for a visible window of class "KESTRAClass"
//   ui_driver wait-gone <ms>            wait until no such window is left
//   ui_driver wait-any <ms>             wait for a message box or the dialog; prints "msgbox"
//                                       or "dialog" (a message box wins when both are there)
//   ui_driver caption                   prints the dialog's caption
//   ui_driver text <id>                 prints a control's text (-1 and 0xFFFF: the status line)
//   ui_driver visible|enabled|checked <id>   prints "yes" or "no"
//   ui_driver wait-hidden <id> <ms>     wait until a control is hidden
//   ui_driver minimised                 prints "yes" or "no"
//   ui_driver minimise                  minimises the dialog
//   ui_driver click <id>                presses a button (fails when hidden or disabled)
//   ui_driver check|uncheck <id>        clicks a check box until it has that state
//   ui_driver msgbox-wait <ms> [caption]     wait for a message box (with exactly that caption)
//   ui_driver msgbox-text [caption]     prints a message box's text
//   ui_driver msgbox-press <button> [caption]   presses IDOK, IDYES, IDNO or IDCANCEL and
//                                       waits until the box is gone (its call has returned)
//   ui_driver foreground                prints "dialog", "msgbox", "other" or "none", then a tab,
//                                       the class name, a tab and the caption
//   ui_driver rect                      prints the dialog's screen rectangle: left top width height
//   ui_driver msgbox-rect [caption]     the same for a message box
//   ui_driver click-link <id>           clicks the first link of a link control with the mouse
//
// Commands other than the waits look once and fail at once. Ids are decimal or 0x hexadecimal.
// Output is UTF-8. Exit status: 0 done, 1 bad command line, 2 not found, timed out or failed
// (with a message on stderr).
#include "tests/tools/ui_driver/cli.h"
#include "tests/tools/ui_driver/poll.h"
#include "tests/tools/ui_driver/ui_driver.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace ui_driver {
namespace {

constexpr int kExitFailed = 2;
constexpr int kExitUsage = 1;
constexpr DWORD kBoxCloseTimeoutMs = 10000;

void PrintLine(const std::wstring& text) {
    const std::string line = Narrow(text) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
}

int Fail(const std::string& message) {
    fprintf(stderr, "ui_driver: %s\n", message.c_str());
    return kExitFailed;
}

template <typename T>
int Report(const Result<T>& result) {
    return result ? 0 : Fail(result.error);
}

int PrintYesNo(const Result<bool>& answer) {
    if (!answer) return Fail(answer.error);
    PrintLine(*answer.value ? L"yes" : L"no");
    return 0;
}

int WaitAny(DWORD timeoutMs) {
    const wchar_t* seen = nullptr;
    PollUntil(timeoutMs, [&] {
        if (FindMessageBox(nullptr)) {
            seen = L"msgbox";
        } else if (FindDialog()) {
            seen = L"dialog";
        }
        return seen != nullptr;
    });
    if (!seen) {
        return Fail("neither a message box nor the \"KESTRAClass\" window within " +
                    std::to_string(timeoutMs) + " ms");
    }
    PrintLine(seen);
    return 0;
}

int Foreground() {
    const WindowInfo info = ForegroundWindow();
    const wchar_t* kind = L"none";
    switch (info.kind) {
        case WindowKind::Dialog:
            kind = L"dialog";
            break;
        case WindowKind::MessageBox:
            kind = L"msgbox";
            break;
        case WindowKind::Other:
            kind = L"other";
            break;
        case WindowKind::None:
            break;
    }
    PrintLine(std::wstring(kind) + L"\t" + info.className + L"\t" + info.caption);
    return 0;
}

int PrintRect(HWND window) {
    const Result<RECT> rect = WindowRect(window);
    if (!rect) return Fail(rect.error);
    const RECT& r = *rect.value;
    PrintLine(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
              std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
    return 0;
}

int ClickLink(HWND dialog, int id) {
    const Result<POINT> point = FindLinkPoint(dialog, id);
    if (!point) return Fail(point.error);
    return Report(ClickAt(*point.value));
}

int OnMessageBox(const Command& command) {
    const std::wstring* caption = command.caption ? &*command.caption : nullptr;
    if (command.op == Op::MsgboxWait) return Report(WaitForMessageBox(caption, command.timeoutMs));
    const Result<HWND> box = FindMessageBox(caption);
    if (!box) return Fail(box.error);
    if (command.op == Op::MsgboxRect) return PrintRect(*box.value);
    if (command.op == Op::MsgboxPress) {
        const Result<Done> pressed = PressButton(*box.value, command.id);
        if (!pressed) return Fail(pressed.error);
        return Report(WaitForWindowGone(*box.value, kBoxCloseTimeoutMs));
    }
    const Result<ControlState> text = ReadControl(*box.value, kMessageBoxTextId);
    if (!text) return Fail(text.error);
    PrintLine(text.value->text);
    return 0;
}

int OnDialog(const Command& command) {
    const Result<HWND> found = FindDialog();
    if (!found) return Fail(found.error);
    const HWND dialog = *found.value;
    switch (command.op) {
        case Op::Caption:
            PrintLine(WindowCaption(dialog));
            return 0;
        case Op::Minimised:
            PrintLine(IsIconic(dialog) ? L"yes" : L"no");
            return 0;
        case Op::Minimise:
            return Report(Minimise(dialog));
        case Op::Click:
            return Report(PressButton(dialog, command.id));
        case Op::Check:
            return Report(SetChecked(dialog, command.id, true));
        case Op::Uncheck:
            return Report(SetChecked(dialog, command.id, false));
        case Op::Checked:
            return PrintYesNo(IsChecked(dialog, command.id));
        case Op::WaitHidden:
            return Report(WaitForHidden(dialog, command.id, command.timeoutMs));
        case Op::Rect:
            return PrintRect(dialog);
        case Op::ClickLink:
            return ClickLink(dialog, command.id);
        default:
            break;
    }
    const Result<ControlState> state = ReadControl(dialog, command.id);
    if (!state) return Fail(state.error);
    if (command.op == Op::Text) {
        PrintLine(state.value->text);
    } else {
        PrintLine((command.op == Op::Visible ? state.value->visible : state.value->enabled)
                      ? L"yes"
                      : L"no");
    }
    return 0;
}

int Run(const Command& command) {
    switch (command.op) {
        case Op::WaitDialog:
            return Report(WaitForDialog(command.timeoutMs));
        case Op::WaitGone:
            return Report(WaitForDialogGone(command.timeoutMs));
        case Op::WaitAny:
            return WaitAny(command.timeoutMs);
        case Op::Foreground:
            return Foreground();
        case Op::MsgboxWait:
        case Op::MsgboxText:
        case Op::MsgboxPress:
        case Op::MsgboxRect:
            return OnMessageBox(command);
        default:
            return OnDialog(command);
    }
}

}  // namespace
}  // namespace ui_driver

int wmain(int argc, wchar_t** argv) {
    // Scripts compare the output: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const ui_driver::Result<ui_driver::Command> command = ui_driver::ParseCommand(args);
    if (!command) {
        fprintf(stderr, "ui_driver: %s (see the top of tests/tools/ui_driver/main.cpp)\n",
                command.error.c_str());
        return ui_driver::kExitUsage;
    }
    return ui_driver::Run(*command.value);
}
