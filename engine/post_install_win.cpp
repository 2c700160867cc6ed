#include <windows.h>

#include "base/environment.h"
#include "base/setup_log.h"
#include "engine/post_install.h"
#include "engine/post_install_commands.h"
#include "engine/record_feedback.h"
#include "engine/windows_system.h"

void LaunchProduct() {
    std::optional<std::wstring> launchId = ReadEnvironment(L"Appli_LaunchId");
    if (launchId && launchId->size() > kMaxLaunchIdLength) {
        WriteLog(L"Appli_LaunchId is longer than 255 characters: the product is not launched");
        return;
    }
    RecordFeedback feedback(nullptr);
    WindowsSystem system;
    RunLaunchProduct(feedback, system, launchId);
}
