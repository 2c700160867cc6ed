#include <windows.h>

#include "base/environment.h"
#include "base/user_shell_win.h"
#include "engine/post_install.h"
#include "engine/post_install_commands.h"
#include "engine/record_feedback.h"
#include "engine/windows_system.h"

void LaunchProduct() {
    RecordFeedback feedback(nullptr);
    WindowsSystem system;
    DesktopShell shell;
    RunLaunchProduct(feedback, system, shell, ReadEnvironment(L"Appli_LaunchId"));
}
