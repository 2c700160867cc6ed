// The desktop's shell reached through COM (ShellWindows, the desktop's view, its Shell.Application
// object); ShellExecuteW when it cannot be.
#pragma once

#include "base/user_shell.h"

class DesktopShell : public UserShell {
  public:
    bool OpenThroughDesktop(const std::wstring& target, const std::wstring& arguments) override;
    bool OpenDirectly(const std::wstring& target, const std::wstring& arguments) override;
};
