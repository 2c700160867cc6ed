// The engine's Windows edge on a real registry: values are read within their 1024-byte buffer
// whatever the registry holds, and a launch identifier that does not fit its buffer starts
// nothing. (Processes are exercised by the end-to-end suite.)
#include <windows.h>

#include <gtest/gtest.h>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "engine/post_install.h"
#include "engine/windows_system.h"
#include "tests/win/support/win_test_support.h"
#include "tests/win/support/log_lines.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Korvath\\Ventrola";

// The product's key with the given values for the life of the object.
struct ProductKey {
    ProductKey() { RegCreateKeyW(HKEY_LOCAL_MACHINE, kKey, &key); }
    ~ProductKey() {
        RegCloseKey(key);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    }
    void Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), 0);
    }
    HKEY key = nullptr;
};

}  // namespace

TEST(WindowsSystem, RegistryValuesStayInsideTheirBuffer) {
    ProductKey product;
    const std::wstring unterminated(511, L'a');  // stored without its final zero
    product.Set(L"Unterminated", REG_SZ, unterminated.data(), 1022);
    const std::wstring tooLong(600, L'b');
    product.Set(L"TooLong", REG_SZ, tooLong.c_str(), 1202);
    const DWORD number = 7;
    product.Set(L"Number", REG_DWORD, &number, sizeof number);
    product.Set(L"InstallPath", REG_SZ, L"C:\\P", 10);

    WindowsSystem system;
    ASSERT_EQ(system.OpenProductKey(), 0u);
    struct Case {
        const wchar_t* name;
        uint32_t result;
        std::wstring value;
    };
    const Case cases[] = {
        {L"InstallPath", 0, L"C:\\P"},
        {L"Unterminated", 0, unterminated},
        {L"TooLong", ERROR_MORE_DATA, L"untouched"},
        {L"Number", ERROR_INVALID_DATATYPE, L"untouched"},
        {L"Missing", ERROR_FILE_NOT_FOUND, L"untouched"},
    };
    for (const Case& c : cases) {
        std::wstring value = L"untouched";
        EXPECT_EQ(system.ReadProductValue(c.name, value), c.result) << Narrow(c.name);
        EXPECT_EQ(value, c.value) << Narrow(c.name);
    }
}

TEST(LaunchProduct, IdentifierLongerThanItsBufferStartsNothing) {
    const std::wstring folder = MakeFreshFolder(L"launch_id");
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    WriteLog(L"launch test");
    ProductKey product;
    const std::wstring command = L"cmd.exe /c echo launched > \"" + folder + L"launched.txt\" {0}";
    product.Set(L"CmdLine", REG_SZ, command.c_str(), static_cast<DWORD>((command.size() + 1) * 2));

    SetEnvironmentVariableW(L"Appli_LaunchId", std::wstring(256, L'x').c_str());
    LaunchProduct();
    const std::vector<std::string> lines = LogLines(LogFilePath);
    EXPECT_TRUE(
        LogHas(lines, "Appli_LaunchId is longer than 255 characters: the product is not launched"));

    SetEnvironmentVariableW(L"Appli_LaunchId", std::wstring(255, L'x').c_str());
    LaunchProduct();
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(folder + L"launched.txt") != "<missing>"; }));
}
