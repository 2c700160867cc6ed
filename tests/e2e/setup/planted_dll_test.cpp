// A DLL planted beside the setup, as a web page can drop one into the Downloads folder, under
// each name the setup loads once it runs. Wine is told, for the setup only, to search for that
// name as Windows does instead of taking its own DLL. Wine has no KnownDLLs, so it also takes a
// planted DLL for what Windows maps from them before the setup's first instruction (its imports,
// and version.dll and uxtheme.dll, which those load): such names are not here.
#include <gtest/gtest.h>

#include "setup_process.h"
#include "tests/tools/ui_driver/ui_driver.h"
#include "tests/win/app/win_test_support.h"

using namespace ui_driver;

namespace {

// Loaded once the setup runs: WinInet, the Windows Installer API, WinVerifyTrust, MSXML over COM,
// the banner's decoder, what they import, and the crypto provider that the stack protector takes
// its guard from (before any other constructor).
const wchar_t* const kNeverRuns[] = {
    L"wininet.dll",       L"mpr.dll",      L"msi.dll",      L"cabinet.dll", L"dbghelp.dll",
    L"imagehlp.dll",      L"mspatcha.dll", L"odbccp32.dll", L"sxs.dll",     L"urlmon.dll",
    L"wintrust.dll",      L"rsaenh.dll",   L"crypt32.dll",  L"bcrypt.dll",  L"msxml6.dll",
    L"windowscodecs.dll", L"propsys.dll"};
// Not here, as Wine cannot tell: msimg32.dll and msxml3.dll. Wine resolves a delayed import of
// its own DLLs (uxtheme's of msimg32) and a forwarded export (msxml6 hands its classes on to
// msxml3) in the application's folder first, whatever the process has set the search to.
// Windows' msxml6 forwards nothing.

// Wine takes its DLL switches from the registry for a program of this name, not from the
// environment block its child gets.
class NativeFirst {
  public:
    explicit NativeFirst(const std::wstring& dll) : name_(dll.substr(0, dll.size() - 4)) {
        RegCreateKeyExW(HKEY_CURRENT_USER,
                        L"Software\\Wine\\AppDefaults\\TelluraSetup.exe\\DllOverrides", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        RegSetValueExW(key_, name_.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(L"native,builtin"), sizeof(L"native,builtin"));
    }
    ~NativeFirst() {
        RegDeleteValueW(key_, name_.c_str());
        RegCloseKey(key_);
    }

  private:
    std::wstring name_;
    HKEY key_ = nullptr;
};

// Starts a copy of the setup with the DLL planted beside it, waits for its dialog and cancels.
void StartWithPlanted(const wchar_t* name, bool& ran) {
    const std::wstring folder = MakeFreshFolder(L"e2e_planted_" + std::wstring(name));
    const std::wstring exe = folder + L"TelluraSetup.exe";
    const std::wstring dll = folder + name;
    ASSERT_TRUE(CopyFileW(BuiltSetupPath().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(WinePath(L"" TELLURA_PLANTED_DLL).c_str(), dll.c_str(), FALSE));
    const NativeFirst nativeFirst(name);
    SetupProcess setup(folder, {}, exe);
    ASSERT_TRUE(setup.Started());
    const Result<HWND> dialog = WaitForDialog(60000);
    ASSERT_TRUE(dialog) << dialog.error;
    ASSERT_TRUE(PressButton(*dialog.value, IDCANCEL));
    ASSERT_TRUE(setup.WaitForExit(20000));
    ran = GetFileAttributesW((dll + L".ran").c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST(PlantedDll, NeverRunsAndTheSetupStillShowsItsDialog) {
    for (const wchar_t* name : kNeverRuns) {
        bool ran = true;
        StartWithPlanted(name, ran);
        EXPECT_FALSE(ran) << Utf8(name);
    }
}
