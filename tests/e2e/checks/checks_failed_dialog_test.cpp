// The real setup on a system it refuses: the dialog shows the check's own reason with the help
// link and offers no Install button.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../../win/app/win_test_support.h"
#include "resources/resource_ids.h"

namespace {

void SetWineVersion(const wchar_t* version) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (version) {
        RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, L"Version");
    }
    RegCloseKey(key);
}

std::wstring WindowText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

TEST(ChecksFailedDialog, RefusedSystemShowsTheReasonAndNoInstall) {
    const char* setup = std::getenv("TELLURA_SETUP_EXE");
    ASSERT_NE(setup, nullptr);
    std::wstring commandLine = L"\"Z:";
    for (const char* c = setup; *c; ++c) commandLine += *c == '/' ? L'\\' : wchar_t(*c);
    commandLine += L"\"";

    // Server 2008 is refused by the OS check, the first of the chain.
    SetWineVersion(L"win2008");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    HWND dialog = nullptr;
    if (started) {
        // Visible once its initialisation, which fills the texts, is over.
        WaitUntil(
            [&] {
                dialog = FindWindowW(L"KESTRAClass", nullptr);
                return dialog && IsWindowVisible(dialog);
            },
            std::chrono::milliseconds(20000));
    }
    SetWineVersion(nullptr);
    ASSERT_TRUE(started);
    ASSERT_NE(dialog, nullptr) << "no setup window";

    const HWND link = GetDlgItem(dialog, IDC_CHECK_FAILED_LINK);
    const HWND install = GetDlgItem(dialog, IDC_INSTALL);
    EXPECT_TRUE(link && IsWindowVisible(link));
    const std::wstring reason = WindowText(link);
    EXPECT_EQ(
        reason.rfind(L"Tellura installation is forbidden on Microsoft Windows Server 2008 \n.", 0),
        0u)
        << std::string(reason.begin(), reason.end());
    // The link control keeps its markup to itself; its visible text carries the link word.
    EXPECT_NE(reason.find(L"here."), std::wstring::npos);
    EXPECT_TRUE(!install || !IsWindowVisible(install));

    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
