// The real setup on a system its checks refuse: the dialog shows the check's own reason with
// the help link and offers no Install button.
#include <gtest/gtest.h>

#include "tests/win/support/win_test_support.h"
#include "resources/resource_ids.h"
#include "tests/win/support/setup_process.h"
#include "tests/tools/ui_driver/ui_driver.h"

using namespace ui_driver;

TEST(ChecksFailed, RefusedSystemShowsTheReasonAndNoInstall) {
    // Server 2008 is refused by the OS check, the first of the chain. Wine reads the version
    // when a process starts, so it can be put back as soon as the dialog is up.
    ASSERT_TRUE(SetWineVersion(L"win2008"));
    const std::wstring folder = MakeFreshFolder(L"e2e_refused");
    SetupProcess setup(folder, {});
    const Result<HWND> dialog = WaitForDialog(60000);
    EXPECT_TRUE(SetWineVersion(L""));
    ASSERT_TRUE(dialog) << dialog.error;

    const Result<ControlState> reason = ReadControl(*dialog.value, IDC_CHECK_FAILED_LINK);
    ASSERT_TRUE(reason) << reason.error;
    EXPECT_TRUE(reason.value->visible);
    EXPECT_EQ(
        reason.value->text,
        L"Tellura installation is forbidden on Microsoft Windows Server 2008 \n.\n\n For more "
        L"information, click  <A ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit the Setup.");
    EXPECT_FALSE(ReadControl(*dialog.value, IDC_INSTALL).value->visible);
    EXPECT_FALSE(ReadControl(*dialog.value, IDC_ACCEPT_BOX).value->visible);

    ASSERT_TRUE(PressButton(*dialog.value, IDCANCEL));
    ASSERT_TRUE(setup.WaitForExit(20000));
    const std::vector<LogLine> lines = ReadLogLines(folder + L"KSTInstall.log");
    EXPECT_NE(FindLine(lines, "OUT-> IsOSAuthorized() - KO "), -1);
    // The chain stops at the first refusal.
    EXPECT_EQ(FindLine(lines, "IN-> IsVideoCardOK()"), -1);
    EXPECT_EQ(FindLine(lines, "IDCANCEL"), static_cast<int>(lines.size()) - 2);
}
