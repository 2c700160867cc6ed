#include "base/user_shell.h"

bool OpenForUser(UserShell& shell, const std::wstring& target, const std::wstring& arguments,
                 const std::function<void(const std::wstring&)>& log) {
    if (shell.OpenThroughDesktop(target, arguments)) {
        log(L"Opened as the desktop's user: " + target);
        return true;
    }
    log(L"The desktop's shell cannot be reached: opened by the setup itself: " + target);
    return shell.OpenDirectly(target, arguments);
}

ProgramAndArguments SplitCommandLine(const std::wstring& commandLine) {
    size_t end = 0;
    ProgramAndArguments parts;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        end = commandLine.find(L'"', 1);
        if (end == std::wstring::npos) end = commandLine.size();
        parts.program = commandLine.substr(1, end - 1);
        if (end < commandLine.size()) ++end;
    } else {
        end = commandLine.find(L' ');
        if (end == std::wstring::npos) end = commandLine.size();
        parts.program = commandLine.substr(0, end);
    }
    const size_t rest = commandLine.find_first_not_of(L' ', end);
    if (rest != std::wstring::npos) parts.arguments = commandLine.substr(rest);
    return parts;
}
