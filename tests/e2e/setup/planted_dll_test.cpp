// A DLL planted beside a copy of the setup under each name it loads once it runs, with Wine told
// (for the setup only) to search for it as Windows does. Not here: what Windows maps from KnownDLLs
// (Wine has none), and msimg32.dll and msxml3.dll, which Wine looks for beside the program whatever
// the search is set to: a delayed import of its uxtheme, a forward of its msxml6.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "tests/win/support/setup_process.h"
#include "tests/tools/ui_driver/ui_driver.h"
#include "tests/win/support/win_test_support.h"

using namespace ui_driver;

// WinInet, the Windows Installer API, WinVerifyTrust, MSXML over COM, the banner's decoder, what
// they import, and the crypto provider the stack protector takes its guard from.
const wchar_t* const kLoadedLater[] = {
    L"wininet.dll",       L"mpr.dll",      L"msi.dll",      L"cabinet.dll", L"dbghelp.dll",
    L"imagehlp.dll",      L"mspatcha.dll", L"odbccp32.dll", L"sxs.dll",     L"urlmon.dll",
    L"wintrust.dll",      L"rsaenh.dll",   L"crypt32.dll",  L"bcrypt.dll",  L"msxml6.dll",
    L"windowscodecs.dll", L"propsys.dll"};
// Wine reads the switch there; the environment block of a child does not change it.
const wchar_t kSwitches[] = L"Software\\Wine\\AppDefaults\\TelluraSetup.exe\\DllOverrides";
const wchar_t kNativeFirst[] = L"native,builtin";

TEST(PlantedDll, NeverRunsAndTheSetupStillShowsItsDialog) {
    for (const std::wstring name : kLoadedLater) {
        const std::wstring folder = MakeFreshFolder(L"e2e_planted_" + name);
        ASSERT_TRUE(CopyFileW(BuiltSetupPath().c_str(), (folder + L"TelluraSetup.exe").c_str(), 0));
        ASSERT_TRUE(
            CopyFileW(WinePath(L"" TELLURA_PLANTED_DLL).c_str(), (folder + name).c_str(), 0));
        const std::wstring base = name.substr(0, name.size() - 4);
        SHSetValueW(HKEY_CURRENT_USER, kSwitches, base.c_str(), REG_SZ, kNativeFirst,
                    sizeof kNativeFirst);
        SetupProcess setup(folder, {}, folder + L"TelluraSetup.exe");
        const Result<HWND> dialog = WaitForDialog(60000);
        EXPECT_TRUE(dialog && PressButton(*dialog.value, IDCANCEL)) << Narrow(name);
        EXPECT_TRUE(setup.WaitForExit(20000));
        SHDeleteValueW(HKEY_CURRENT_USER, kSwitches, base.c_str());
        EXPECT_EQ(GetFileAttributesW((folder + name + L".ran").c_str()), INVALID_FILE_ATTRIBUTES)
            << Narrow(name);
    }
}
