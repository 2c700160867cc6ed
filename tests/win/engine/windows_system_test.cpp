// The engine's Windows edge on a real registry and real processes: values are read within their
// 1024-byte buffer whatever the registry holds, a launch identifier that does not fit its buffer
// starts nothing, an optimizer still running at its time limit is stopped, and feedback
// without a record only logs.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "engine/post_install.h"
#include "engine/record_feedback.h"
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

bool ProcessRunning(const wchar_t* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return found;
}

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

TEST(GraphicOptimizer, StillRunningAtItsLimitIsStoppedAndTheRunGoesOn) {
    const std::wstring folder = MakeFreshFolder(L"optimizer");
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    WriteLog(L"optimizer test");
    // The stand-in where the product's launcher would be, told to run for ten seconds.
    CreateDirectoryW((folder + L"code").c_str(), nullptr);
    CreateDirectoryW((folder + L"code\\bin").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(WinePath(L"" STANDIN_OPTIMIZER_EXE).c_str(),
                          (folder + L"code\\bin\\QELSTART.exe").c_str(), FALSE));
    SetEnvironmentVariableW(L"TELLURA_STANDIN_OPTIMIZER_MS", L"10000");
    SetEnvironmentVariableW(L"TELLURA_STANDIN_RECORD", folder.c_str());
    ProductKey product;
    const std::wstring installPath = folder.substr(0, folder.size() - 1);
    product.Set(L"InstallPath", REG_SZ, installPath.c_str(),
                static_cast<DWORD>((installPath.size() + 1) * sizeof(wchar_t)));

    RecordFeedback feedback(nullptr);
    WindowsSystem system;
    EXPECT_EQ(RunGraphicOptimizer(feedback, system, 500), 0);
    EXPECT_TRUE(LogHasInOrder(LogLines(LogFilePath),
                              {"IN->LaunchGraphicOptimizer ()",
                               "OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)"}));
    // Gone well before its ten seconds, and not by its own end.
    EXPECT_TRUE(
        WaitUntil([] { return !ProcessRunning(L"QELSTART.exe"); }, std::chrono::seconds(2)));
    EXPECT_EQ(ReadWholeFile(folder + L"optimizer.txt").find("ended by itself"), std::string::npos);
}

// A worker started without a record still logs, and posts nothing.
TEST(RecordFeedback, WithoutARecordOnlyLogs) {
    // The thread's queue made first: a post to no window lands in it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    RecordFeedback feedback(nullptr);
    feedback.ShowStatus(L"status without a record");
    feedback.ShowProgress(1, 2);
    feedback.ShowOutcome(SetupOutcome::kSucceeded);
    feedback.Log(L"logged without a record");
    EXPECT_FALSE(feedback.DialogWindow());
    EXPECT_TRUE(LogHasInOrder(LogLines(LogFilePath), {"logged without a record"}));
    EXPECT_FALSE(
        PeekMessageW(&message, nullptr, WM_SETUP_SUCCEEDED, WM_SETUP_INTERRUPTED, PM_REMOVE))
        << "posted " << message.message;
}
