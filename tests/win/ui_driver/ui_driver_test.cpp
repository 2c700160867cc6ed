// The driver library against the stand-in dialog running as another process.
#include "tests/tools/ui_driver/poll.h"
#include "tests/tools/ui_driver/ui_driver.h"
#include "tests/win/ui_driver/child_process.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"

namespace ui_driver_test {
namespace {

using namespace ui_driver;

constexpr DWORD kAppearMs = 20000;
const std::wstring kCaption = L"Tellura Setup";

// The stand-in started with `args`, its dialog found.
class StandIn {
  public:
    explicit StandIn(const std::vector<std::wstring>& args = {}) {
        _started = _child.Start(StandInExe(), args);
    }

    HWND WaitForDialog() {
        EXPECT_TRUE(_started) << "could not start " << Narrow(StandInExe());
        const Result<HWND> dialog = ui_driver::WaitForDialog(kAppearMs);
        EXPECT_TRUE(dialog) << dialog.error;
        return dialog ? *dialog.value : nullptr;
    }

    long Wait() { return _child.Wait(10000); }

  private:
    ChildProcess _child;
    bool _started = false;
};

ControlState Read(HWND dialog, int id) {
    const Result<ControlState> state = ReadControl(dialog, id);
    EXPECT_TRUE(state) << state.error;
    return state ? *state.value : ControlState{};
}

bool BecomesEnabled(HWND dialog, int id, bool enabled) {
    return PollUntil(3000, [&] { return Read(dialog, id).enabled == enabled; });
}

HWND StartInstalling(StandIn& standIn) {
    const HWND dialog = standIn.WaitForDialog();
    EXPECT_TRUE(SetChecked(dialog, IDC_ACCEPT_BOX, true));
    EXPECT_TRUE(BecomesEnabled(dialog, IDC_INSTALL, true));
    EXPECT_TRUE(PressButton(dialog, IDC_INSTALL));
    EXPECT_TRUE(PollUntil(5000, [&] { return Read(dialog, IDC_PROGRESS).visible; }));
    return dialog;
}

TEST(UiDriverLookup, NothingThereFailsWithClearMessages) {
    const Result<HWND> dialog = WaitForDialog(300);
    ASSERT_FALSE(dialog);
    EXPECT_NE(dialog.error.find("\"KESTRAClass\""), std::string::npos) << dialog.error;
    EXPECT_NE(dialog.error.find("300 ms"), std::string::npos) << dialog.error;
    EXPECT_FALSE(FindDialog());
    EXPECT_FALSE(FindMessageBox(nullptr));
    EXPECT_TRUE(WaitForDialogGone(0));
}

TEST(UiDriverLookup, WaitsForADialogThatAppearsLater) {
    StandIn standIn({L"--delay", L"1500"});
    const HWND dialog = standIn.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowCaption(dialog), kCaption);
    const WindowInfo foreground = ForegroundWindow();
    EXPECT_EQ(foreground.hwnd, dialog);
    EXPECT_EQ(foreground.kind, WindowKind::Dialog);
    EXPECT_EQ(foreground.className, L"KESTRAClass");

    EXPECT_TRUE(PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(WaitForDialogGone(10000));
    EXPECT_EQ(standIn.Wait(), IDCANCEL);
}

TEST(UiDriverControls, ReadsTheLicenceState) {
    StandIn standIn;
    const HWND dialog = standIn.WaitForDialog();
    ASSERT_NE(dialog, nullptr);

    // The status line answers to its id stored as a word and as -1.
    const ControlState status = Read(dialog, IDC_STATUS_LINE);
    EXPECT_EQ(status.text, Read(dialog, 0xFFFF).text);
    EXPECT_EQ(status.text.rfind(L"You must accept the following License Agreement", 0), 0u);
    EXPECT_TRUE(status.visible);

    EXPECT_NE(Read(dialog, IDC_EULA_LINK).text.find(L"Tellura  Eula"), std::wstring::npos);
    const ControlState install = Read(dialog, IDC_INSTALL);
    EXPECT_EQ(install.text, L"Install");
    EXPECT_TRUE(install.visible);
    EXPECT_FALSE(install.enabled);
    EXPECT_FALSE(Read(dialog, IDC_FAILURE_TEXT).visible);
    EXPECT_FALSE(Read(dialog, IDC_CHECK_FAILED_LINK).visible);
    EXPECT_FALSE(Read(dialog, IDC_PROGRESS).visible);
    EXPECT_EQ(IsChecked(dialog, IDC_ACCEPT_BOX).value, std::optional<bool>(false));

    const Result<ControlState> missing = ReadControl(dialog, 4242);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error.find("no control 4242"), std::string::npos) << missing.error;
}

TEST(UiDriverControls, ChecksAndPressesLikeAUser) {
    StandIn standIn({L"--install-ms", L"1000"});
    const HWND dialog = standIn.WaitForDialog();
    ASSERT_NE(dialog, nullptr);

    const Result<Done> disabled = PressButton(dialog, IDC_INSTALL);
    ASSERT_FALSE(disabled);
    EXPECT_NE(disabled.error.find("disabled"), std::string::npos) << disabled.error;

    ASSERT_TRUE(SetChecked(dialog, IDC_ACCEPT_BOX, true));
    EXPECT_EQ(IsChecked(dialog, IDC_ACCEPT_BOX).value, std::optional<bool>(true));
    EXPECT_TRUE(BecomesEnabled(dialog, IDC_INSTALL, true));
    ASSERT_TRUE(SetChecked(dialog, IDC_ACCEPT_BOX, true));  // already so: no click
    EXPECT_EQ(IsChecked(dialog, IDC_ACCEPT_BOX).value, std::optional<bool>(true));
    ASSERT_TRUE(SetChecked(dialog, IDC_ACCEPT_BOX, false));
    EXPECT_TRUE(BecomesEnabled(dialog, IDC_INSTALL, false));
    ASSERT_TRUE(SetChecked(dialog, IDC_ACCEPT_BOX, true));
    EXPECT_TRUE(BecomesEnabled(dialog, IDC_INSTALL, true));

    ASSERT_TRUE(PressButton(dialog, IDC_INSTALL));
    ASSERT_TRUE(PollUntil(5000, [&] { return Read(dialog, IDC_PROGRESS).visible; }));
    EXPECT_FALSE(Read(dialog, IDC_ACCEPT_BOX).visible);
    const Result<Done> hidden = PressButton(dialog, IDC_ACCEPT_BOX);
    ASSERT_FALSE(hidden);
    EXPECT_NE(hidden.error.find("hidden"), std::string::npos) << hidden.error;

    ASSERT_TRUE(WaitForHidden(dialog, IDC_PROGRESS, 10000));
    EXPECT_EQ(Read(dialog, IDCANCEL).text, L"Close");
    EXPECT_EQ(Read(dialog, IDC_STATUS_LINE).text, L"Setup has successfully installed Tellura.");
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(WaitForDialogGone(10000));
    EXPECT_EQ(standIn.Wait(), IDOK);
}

TEST(UiDriverWindows, MinimisesTheDialog) {
    StandIn standIn;
    const HWND dialog = standIn.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsIconic(dialog));
    ASSERT_TRUE(Minimise(dialog));
    EXPECT_TRUE(IsIconic(dialog));
    EXPECT_TRUE(FindDialog());  // a minimised window still counts as there
}

TEST(UiDriverMessageBoxes, AnswersABoxShownBeforeTheDialog) {
    const std::wstring warning = L"Internal test for Tellura from 127.0.0.1";
    StandIn standIn({L"--warn", warning});
    const Result<HWND> box = WaitForMessageBox(&kCaption, kAppearMs);
    ASSERT_TRUE(box) << box.error;
    EXPECT_FALSE(FindDialog());
    EXPECT_EQ(Read(*box.value, kMessageBoxTextId).text, warning);
    EXPECT_EQ(ForegroundWindow().kind, WindowKind::MessageBox);

    const std::wstring other = L"Some other caption";
    EXPECT_FALSE(FindMessageBox(&other));
    EXPECT_FALSE(PressButton(*box.value, IDYES));  // an OK box has no Yes

    ASSERT_TRUE(PressButton(*box.value, IDOK));
    EXPECT_TRUE(WaitForWindowGone(*box.value, 10000));
    EXPECT_NE(standIn.WaitForDialog(), nullptr);
}

TEST(UiDriverMessageBoxes, AnswersAQuestionFromAnotherThread) {
    StandIn standIn({L"--install-ms", L"60000"});
    const HWND dialog = StartInstalling(standIn);
    ASSERT_NE(dialog, nullptr);

    // "No": the box goes, the installation goes on.
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    Result<HWND> box = WaitForMessageBox(&kCaption, 10000);
    ASSERT_TRUE(box) << box.error;
    EXPECT_EQ(Read(*box.value, kMessageBoxTextId).text,
              L"Are you sure you want to cancel Tellura installation?");
    EXPECT_FALSE(PressButton(*box.value, IDCANCEL));  // a Yes/No box has no Cancel
    ASSERT_TRUE(PressButton(*box.value, IDNO));
    ASSERT_TRUE(WaitForWindowGone(*box.value, 10000));
    EXPECT_TRUE(PollUntil(5000, [&] {
        return Read(dialog, IDC_STATUS_LINE).text == L"Installing Tellura... (not cancelled)";
    }));
    EXPECT_TRUE(Read(dialog, IDC_PROGRESS).visible);
    EXPECT_EQ(Read(dialog, IDCANCEL).text, L"Cancel");

    // "Yes": interrupted.
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    box = WaitForMessageBox(&kCaption, 10000);
    ASSERT_TRUE(box) << box.error;
    ASSERT_TRUE(PressButton(*box.value, IDYES));
    ASSERT_TRUE(WaitForWindowGone(*box.value, 10000));
    ASSERT_TRUE(WaitForHidden(dialog, IDC_PROGRESS, 5000));
    const ControlState failure = Read(dialog, IDC_FAILURE_TEXT);
    EXPECT_TRUE(failure.visible);
    EXPECT_EQ(failure.text, L"Tellura setup has been interrupted by the user.");
    EXPECT_FALSE(Read(dialog, IDC_STATUS_LINE).visible);
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    EXPECT_EQ(standIn.Wait(), IDCANCEL);
}

}  // namespace
}  // namespace ui_driver_test
