// What the setup opens for the user (the licence and help pages, the installed product) must run
// with the user's own rights, not the elevated setup's: the browser, or a handler that the user's
// own settings name, would otherwise run as administrator. The desktop's shell runs unelevated,
// so it is asked to open them; where it cannot be reached (no desktop shell, Windows XP, Wine)
// the setup opens them itself and says so in the log.
#pragma once

#include <functional>
#include <string>

class UserShell {
  public:
    virtual ~UserShell() = default;
    // Through the desktop's shell; false when that shell cannot be reached.
    virtual bool OpenThroughDesktop(const std::wstring& target, const std::wstring& arguments) = 0;
    // With the setup's own rights; false when nothing was started.
    virtual bool OpenDirectly(const std::wstring& target, const std::wstring& arguments) = 0;
};

// Opens the target with its arguments the first way that works, and logs which way was taken.
bool OpenForUser(UserShell& shell, const std::wstring& target, const std::wstring& arguments,
                 const std::function<void(const std::wstring&)>& log);

// The program and the rest of a command line: a first word in quotes is the program without them.
struct ProgramAndArguments {
    std::wstring program;
    std::wstring arguments;
};
ProgramAndArguments SplitCommandLine(const std::wstring& commandLine);
