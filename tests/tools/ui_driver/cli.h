// The command line of ui_driver.exe, parsed into one command (syntax: see main.cpp).
#pragma once

#include "tests/tools/ui_driver/ui_driver.h"

#include <string>
#include <vector>

namespace ui_driver {

enum class Op {
    WaitDialog,
    WaitGone,
    WaitAny,
    Caption,
    Text,
    Visible,
    Enabled,
    Checked,
    WaitHidden,
    Minimised,
    Minimise,
    Click,
    Check,
    Uncheck,
    MsgboxWait,
    MsgboxText,
    MsgboxPress,
    Foreground,
    Rect,
    MsgboxRect,
    ClickLink,
};

struct Command {
    Op op = Op::Foreground;
    int id = 0;                           // control id, or the message box button to press
    DWORD timeoutMs = 0;                  // for the wait commands
    std::optional<std::wstring> caption;  // message box caption to match, when given
};

// args excludes the program name.
Result<Command> ParseCommand(const std::vector<std::wstring>& args);

// "IDOK", "IDYES", "IDNO", "IDCANCEL" (any case) or a number.
std::optional<int> ParseButton(const std::wstring& name);
// Decimal, negative (-1) or hexadecimal (0xFFFF).
std::optional<long long> ParseNumber(const std::wstring& text);

}  // namespace ui_driver
