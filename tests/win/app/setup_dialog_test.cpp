// The main dialog on a real window: the test thread runs it modally, a driver thread plays the
// user and the worker.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/setup_dialog.h"
#include "tests/win/app/driven_dialog.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "resources/resource_ids.h"
#include "tests/win/support/win_test_support.h"

namespace {

class SetupDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { PrepareDialogSuite(L"setup_dialog"); }
    void SetUp() override {
        ChecksPassed = true;
        CheckMessage.clear();
        CancelRequests = 0;
        ProgressEnabled = 1;
    }
};

}  // namespace

TEST_F(SetupDialogTest, LicenceStateAndTheAcceptBox) {
    DrivenDialog dialog;
    const INT_PTR code = RunDriven(dialog, [](HWND window) {
        EXPECT_EQ(Text(window, 0), L"Tellura Setup");
        EXPECT_EQ(Text(window, IDC_STATUS_LINE),
                  L"You must accept the following License Agreement before the Tellura "
                  L"application can be installed.");
        EXPECT_EQ(Text(window, IDC_EULA_LINK),
                  L" Read the <A ID=\"idTLRShape\">Tellura  Eula</A> before accepting it");
        EXPECT_EQ(Text(window, IDC_ACCEPT_BOX),
                  L"I accept the terms of the Tellura  License Agreement");
        EXPECT_TRUE(Visible(window, IDC_ACCEPT_BOX));
        EXPECT_FALSE(Visible(window, IDC_CHECK_FAILED_LINK));
        EXPECT_FALSE(Visible(window, IDC_PROGRESS));
        EXPECT_TRUE(Visible(window, IDC_INSTALL));
        EXPECT_FALSE(Enabled(window, IDC_INSTALL));
        EXPECT_EQ(Text(window, IDC_INSTALL), L"Install");
        EXPECT_EQ(Text(window, IDCANCEL), L"Cancel");

        Click(window, IDC_ACCEPT_BOX);
        EXPECT_TRUE(Enabled(window, IDC_INSTALL));
        EXPECT_EQ(DefaultButton(window), IDC_INSTALL);
        Click(window, IDC_ACCEPT_BOX);
        EXPECT_FALSE(Enabled(window, IDC_INSTALL));
        EXPECT_EQ(DefaultButton(window), IDCANCEL);

        // Enter must not end the dialog with the success code.
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindow(window));

        Click(window, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_FALSE(dialog.workerStarted);
}

std::wstring StoredForegroundLockTimeout() {
    wchar_t value[64] = L"<none>";
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"ForegroundLockTimeout",
                 RRF_RT_ANY, nullptr, value, &size);
    return value;
}

TEST_F(SetupDialogTest, ComesToTheFrontAndLeavesTheUsersForegroundLockAsItWas) {
    const uintptr_t userTimeout = 123457;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                      reinterpret_cast<void*>(userTimeout), 0));
    const std::wstring stored = StoredForegroundLockTimeout();
    DrivenDialog dialog;
    RunDriven(dialog, [](HWND window) {
        EXPECT_EQ(GetForegroundWindow(), window);
        Click(window, IDCANCEL);
    });
    DWORD timeout = 0;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0));
    EXPECT_EQ(timeout, userTimeout);
    EXPECT_EQ(StoredForegroundLockTimeout(), stored);
}

TEST_F(SetupDialogTest, InstallStartsTheWorkerAndProgressFollowsItsMessages) {
    DrivenDialog dialog;
    const INT_PTR code = RunDriven(dialog, [&](HWND window) {
        PressInstall(window, dialog);
        EXPECT_EQ(dialog.param->hwnd, window);
        EXPECT_TRUE(dialog.param->statusText.empty());
        EXPECT_TRUE(Visible(window, IDC_PROGRESS));
        EXPECT_FALSE(Visible(window, IDC_INSTALL));
        EXPECT_FALSE(Visible(window, IDC_ACCEPT_BOX));
        EXPECT_FALSE(Visible(window, IDC_EULA_LINK));

        PostSetupProgress(dialog.param.get(), 30, 60);
        EXPECT_TRUE(WaitUntil([&] { return BarPosition(window) == 50; }));
        PostSetupProgress(dialog.param.get(), 10, 0);
        PostMessageW(window, WM_CUSTOM_UPDATE_PROGRESS, 1, 4);
        EXPECT_TRUE(WaitUntil([&] { return BarPosition(window) == 25; }));
        ProgressEnabled = 0;
        SendMessageW(window, WM_SETUP_PROGRESS, 3, 4);
        EXPECT_EQ(BarPosition(window), 25);
        ProgressEnabled = 1;

        dialog.param->statusText = L"Downloading MSXML 6.0...";
        PostSetupStatus(dialog.param.get());
        // The worker may change its record at once: the dialog shows the text as posted.
        dialog.param->statusText = L"changed after posting";
        EXPECT_TRUE(WaitUntil(
            [&] { return Text(window, IDC_STATUS_LINE) == L"Downloading MSXML 6.0..."; }));
        SendMessageW(window, WM_SETUP_STATUS, 0, 0);  // no record: text kept
        EXPECT_EQ(Text(window, IDC_STATUS_LINE), L"Downloading MSXML 6.0...");
        EXPECT_TRUE(Enabled(window, IDCANCEL));

        PostMessageW(window, WM_CUSTOM_UPDATE_LOWEXPAND, 0, 0);
        EXPECT_TRUE(WaitUntil([&] {
            return Text(window, IDC_STATUS_LINE) ==
                   L"Expanding textures and launching Graphic Optimizer. This may take a minute...";
        }));

        PostSetupOutcome(dialog.param.get(), WM_SETUP_SUCCEEDED);
        EXPECT_TRUE(WaitUntil([&] { return Text(window, IDCANCEL) == L"Close"; }));
        EXPECT_EQ(Text(window, IDC_STATUS_LINE), L"Setup has successfully installed Tellura.");
        EXPECT_FALSE(Visible(window, IDC_PROGRESS));
        EXPECT_EQ(DefaultButton(window), IDCANCEL);
        EXPECT_TRUE(IsWindow(window));  // stays open until Close
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(code, IDOK);
}

TEST_F(SetupDialogTest, CancelWhileRunningCountsAndDisablesAtTheNextStatus) {
    DrivenDialog dialog;
    const INT_PTR code = RunDriven(dialog, [&](HWND window) {
        PressInstall(window, dialog);
        Click(window, IDCANCEL);
        EXPECT_EQ(CancelRequests.load(), 1);
        EXPECT_TRUE(IsWindow(window));
        dialog.param->statusText = L"Cancel in progress...";
        PostSetupStatus(dialog.param.get());
        EXPECT_TRUE(WaitUntil([&] { return !Enabled(window, IDCANCEL); }));

        // Presses that reach the dialog some other way still count, one each.
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageW(window, WM_CLOSE, 0, 0);
        // The dialog manager posts the close as an IDCANCEL command.
        EXPECT_TRUE(WaitUntil([&] { return CancelRequests.load() == 3; }));

        PostSetupOutcome(dialog.param.get(), WM_SETUP_INTERRUPTED);
        EXPECT_TRUE(WaitUntil([&] { return Visible(window, IDC_FAILURE_TEXT); }));
        EXPECT_EQ(Text(window, IDC_FAILURE_TEXT),
                  L"Tellura setup has been interrupted by the user. For more information, "
                  L"consult the log file " +
                      LogFilePath + L".");
        EXPECT_FALSE(Visible(window, IDC_STATUS_LINE));
        EXPECT_TRUE(Enabled(window, IDCANCEL));
        EXPECT_EQ(Text(window, IDCANCEL), L"Close");
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    const std::string log = ReadWholeFile(LogFilePath);
    size_t presses = 0;
    for (size_t at = log.find("CANCEL APPLI"); at != std::string::npos;
         at = log.find("CANCEL APPLI", at + 1))
        ++presses;
    EXPECT_EQ(presses, 3u);
}

TEST_F(SetupDialogTest, FailuresShowTheLogPathAndEndWithThree) {
    const struct {
        UINT message;
        std::wstring text;
    } failures[] = {
        {WM_SETUP_FAILED,
         L"Tellura installation failed. Consult the log file " + LogFilePath + L"."},
        {WM_SETUP_FAILED_DOWNLOAD,
         L"Tellura setup has failed. Please check your internet connection (firewall and proxy) "
         L"and try again. For more information, consult the log file " +
             LogFilePath + L"."},
    };
    for (const auto& failure : failures) {
        DrivenDialog dialog;
        const INT_PTR code = RunDriven(dialog, [&](HWND window) {
            PressInstall(window, dialog);
            PostSetupOutcome(dialog.param.get(), failure.message);
            EXPECT_TRUE(WaitUntil([&] { return Text(window, IDC_FAILURE_TEXT) == failure.text; }));
            EXPECT_TRUE(Visible(window, IDC_FAILURE_TEXT));
            EXPECT_EQ(Text(window, IDCANCEL), L"Close");
            Click(window, IDCANCEL);
        });
        EXPECT_EQ(code, IDABORT);
    }
}

// Install pressed by automation while the dialog is disabled and a pop-up of its thread has the
// activation: the worker still reports to the dialog, so the outcome arrives and Close ends it.
TEST_F(SetupDialogTest, WorkerReportsToTheDialogWhateverWindowIsActive) {
    DrivenDialog dialog;
    dialog.withRival = true;
    const INT_PTR code = RunDriven(dialog, [&](HWND window) {
        Click(window, IDC_ACCEPT_BOX);
        EnableWindow(window, FALSE);
        SendMessageW(dialog.rival, WM_APP, 0, 0);
        GUITHREADINFO active{};
        active.cbSize = sizeof(active);
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &active));
        ASSERT_EQ(active.hwndActive, dialog.rival.load());
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(window, IDC_INSTALL)));
        ASSERT_TRUE(WaitUntil([&] { return dialog.workerStarted.load(); }));
        EnableWindow(window, TRUE);
        PostSetupOutcome(dialog.param.get(), WM_SETUP_INTERRUPTED);
        EXPECT_TRUE(WaitUntil([&] { return Text(window, IDCANCEL) == L"Close"; }));
        Click(window, IDCANCEL);
    });
    DestroyWindow(dialog.rival);
    EXPECT_EQ(code, IDCANCEL);
}

// Without a worker nothing would ever end the run: the dialog fails it at once.
TEST_F(SetupDialogTest, WorkerThatCannotStartFailsTheRun) {
    DrivenDialog dialog;
    dialog.threadRefused = true;
    const INT_PTR code = RunDriven(dialog, [&](HWND window) {
        PressInstall(window, dialog);
        EXPECT_TRUE(WaitUntil([&] {
            return Text(window, IDC_FAILURE_TEXT) ==
                   L"Tellura installation failed. Consult the log file " + LogFilePath + L".";
        }));
        EXPECT_EQ(Text(window, IDCANCEL), L"Close");
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(code, IDABORT);
    EXPECT_NE(ReadWholeFile(LogFilePath).find("The installation thread could not be started"),
              std::string::npos);
}

TEST_F(SetupDialogTest, ChecksFailedStateShowsTheReasonAsGiven) {
    ChecksPassed = false;
    CheckMessage = L"Needs %1 and %2.";
    DrivenDialog dialog;
    const INT_PTR code = RunDriven(dialog, [](HWND window) {
        EXPECT_TRUE(Visible(window, IDC_CHECK_FAILED_LINK));
        EXPECT_EQ(Text(window, IDC_CHECK_FAILED_LINK),
                  L"Needs %1 and %2.\n\n For more information, click  <A ID=\"idHELP\">here.</A> "
                  L"\n\nClick 'Cancel' to exit the Setup.");
        EXPECT_FALSE(Visible(window, IDC_INSTALL));
        EXPECT_FALSE(Visible(window, IDC_ACCEPT_BOX));
        EXPECT_FALSE(Visible(window, IDC_EULA_LINK));
        EXPECT_FALSE(Visible(window, IDC_STATUS_LINE));
        EXPECT_EQ(DefaultButton(window), IDCANCEL);
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
}
