// The real TelluraSetup.exe under Wine, driven through its window like a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "tests/win/support/win_test_support.h"
#include "tests/win/support/resource_bytes.h"
#include "resources/resource_ids.h"
#include "tests/win/support/setup_process.h"
#include "tests/tools/ui_driver/ui_driver.h"

using namespace ui_driver;

namespace {

constexpr DWORD kStartTimeoutMs = 60000;
const std::wstring kCaption = L"Tellura Setup";
const char kBeginLine[] = "Begin bootstrap setup for Tellura installation";
const char kEndLine[] = "End bootstrap setup for Tellura installation";

HWND WaitDialog() {
    Result<HWND> dialog = WaitForDialog(kStartTimeoutMs);
    EXPECT_TRUE(dialog) << dialog.error;
    return dialog ? *dialog.value : nullptr;
}

void CancelAndWait(HWND dialog, SetupProcess& setup) {
    const Result<Done> pressed = PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(pressed) << pressed.error;
    ASSERT_TRUE(setup.WaitForExit(20000));
}

std::string Texts(const std::vector<LogLine>& lines) {
    std::string all;
    for (const LogLine& line : lines) all += line.text + "\n";
    return all;
}

// The string of the given id in one language, from the resources linked into this test.
std::wstring CatalogueString(UINT id, LANGID language) {
    return StringEntry(language, id).value_or(L"<missing>");
}

}  // namespace

TEST(Startup, CancelBeforeInstallLogsTheRunFromBeginToEnd) {
    const std::wstring folder = MakeFreshFolder(L"e2e_cancel");
    SetupProcess setup(folder, {});
    ASSERT_TRUE(setup.Started());
    const HWND dialog = WaitDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowCaption(dialog), kCaption);
    CancelAndWait(dialog, setup);

    const std::vector<LogLine> lines = ReadLogLines(folder + L"KSTInstall.log");
    ASSERT_GE(lines.size(), 5u) << Texts(lines);
    EXPECT_EQ(lines.front().text, kBeginLine);
    const std::regex stamp(R"(\d\d/\d\d/\d\d - \d\d:\d\d:\d\d)");
    for (const LogLine& line : lines) EXPECT_TRUE(std::regex_match(line.stamp, stamp)) << line.text;
    const int admin = FindLine(lines, "IN-> IsUserAdmin()");
    const int version = FindLine(lines, "Version 06-26-2009.09.50");
    const int cancel = FindLine(lines, "IDCANCEL");
    EXPECT_EQ(admin, 1);
    EXPECT_EQ(FindLine(lines, "OUT-> IsUserAdmin()"), 2);
    EXPECT_GT(version, admin);
    EXPECT_GT(cancel, version);
    EXPECT_EQ(lines.back().text, kEndLine);
    EXPECT_EQ(cancel, static_cast<int>(lines.size()) - 2) << Texts(lines);
    EXPECT_EQ(FindLine(lines, "Internal test for Tellura from "), -1);
}

TEST(Startup, TestServerFromTheEnvironmentIsAnnouncedAndLogged) {
    const std::wstring folder = MakeFreshFolder(L"e2e_server");
    SetupProcess setup(folder, {{L"Tellura_Server", L"127.0.0.1:9"}});
    ASSERT_TRUE(setup.Started());
    const Result<HWND> warning = WaitForMessageBox(&kCaption, kStartTimeoutMs);
    ASSERT_TRUE(warning) << warning.error;
    const Result<ControlState> text = ReadControl(*warning.value, kMessageBoxTextId);
    ASSERT_TRUE(text) << text.error;
    EXPECT_EQ(text.value->text, L"Internal test for Tellura from 127.0.0.1:9");
    ASSERT_TRUE(PressButton(*warning.value, IDOK));

    const HWND dialog = WaitDialog();
    ASSERT_NE(dialog, nullptr);
    CancelAndWait(dialog, setup);
    const std::vector<LogLine> lines = ReadLogLines(folder + L"KSTInstall.log");
    const int announced = FindLine(lines, "Internal test for Tellura from 127.0.0.1:9");
    EXPECT_NE(announced, -1) << Texts(lines);
    EXPECT_EQ(FindLine(lines, "Version 06-26-2009.09.50"), announced + 1) << Texts(lines);
}

TEST(Startup, SecondSetupIsRefusedAndBringsTheFirstForward) {
    const std::wstring folder = MakeFreshFolder(L"e2e_second");
    SetupProcess first(folder, {});
    ASSERT_TRUE(first.Started());
    const HWND dialog = WaitDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Minimise(dialog));
    ASSERT_TRUE(IsIconic(dialog));

    SetupProcess second(folder, {});
    ASSERT_TRUE(second.Started());
    const Result<HWND> refusal = WaitForMessageBox(&kCaption, kStartTimeoutMs);
    ASSERT_TRUE(refusal) << refusal.error;
    EXPECT_EQ(ReadControl(*refusal.value, kMessageBoxTextId).value->text,
              L"Another Tellura installation is in progress.");
    ASSERT_TRUE(PressButton(*refusal.value, IDOK));
    ASSERT_TRUE(second.WaitForExit(20000));
    EXPECT_FALSE(IsIconic(dialog));
    EXPECT_EQ(ForegroundWindow().hwnd, dialog);

    // The refused setup added its first line to the running setup's log and nothing more.
    std::vector<LogLine> lines = ReadLogLines(folder + L"KSTInstall.log");
    const int firstBegin = FindLine(lines, kBeginLine);
    EXPECT_EQ(firstBegin, 0) << Texts(lines);
    const int secondBegin = FindLine(lines, kBeginLine, firstBegin + 1);
    EXPECT_GT(secondBegin, 0) << Texts(lines);
    EXPECT_EQ(FindLine(lines, kEndLine), -1) << Texts(lines);
    EXPECT_EQ(FindLine(lines, "IDCANCEL"), -1) << Texts(lines);

    CancelAndWait(dialog, first);
    lines = ReadLogLines(folder + L"KSTInstall.log");
    EXPECT_EQ(lines.back().text, kEndLine);
    EXPECT_EQ(FindLine(lines, kBeginLine), 0);
}

TEST(Startup, EachRunStartsAFreshLog) {
    const std::wstring folder = MakeFreshFolder(L"e2e_fresh");
    for (int run = 0; run < 2; ++run) {
        SetupProcess setup(folder, {});
        ASSERT_TRUE(setup.Started());
        const HWND dialog = WaitDialog();
        ASSERT_NE(dialog, nullptr);
        CancelAndWait(dialog, setup);
    }
    const std::vector<LogLine> lines = ReadLogLines(folder + L"KSTInstall.log");
    EXPECT_EQ(FindLine(lines, kBeginLine), 0);
    EXPECT_EQ(FindLine(lines, kBeginLine, 1), -1) << Texts(lines);
}

// Run once per user-interface language by CTest (LC_ALL set for the whole test process, which
// the setup inherits); TELLURA_EXPECT_UI_LANG makes sure the language really took effect.
TEST(Startup, UserInterfaceLanguageChoosesTheCatalogue) {
    const LANGID ui = GetUserDefaultUILanguage();
    if (const char* expected = std::getenv("TELLURA_EXPECT_UI_LANG")) {
        ASSERT_EQ(ui, static_cast<LANGID>(std::atoi(expected)));
    }
    LANGID catalogue = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    for (const WORD language : {LANG_GERMAN, LANG_SPANISH, LANG_FRENCH, LANG_ITALIAN}) {
        if (PRIMARYLANGID(ui) == language) catalogue = MAKELANGID(language, SUBLANG_NEUTRAL);
    }
    if (PRIMARYLANGID(ui) == LANG_JAPANESE)
        catalogue = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);

    const std::wstring folder = MakeFreshFolder(L"e2e_language");
    SetupProcess setup(folder, {});
    ASSERT_TRUE(setup.Started());
    const HWND dialog = WaitDialog();
    ASSERT_NE(dialog, nullptr);
    std::wstring caption = CatalogueString(IDS_CAPTION, catalogue);
    caption.replace(caption.find(L"%1"), 2, L"Tellura");
    EXPECT_EQ(WindowCaption(dialog), caption);
    EXPECT_EQ(ReadControl(dialog, IDC_INSTALL).value->text,
              CatalogueString(IDS_INSTALL, catalogue));
    EXPECT_EQ(ReadControl(dialog, IDCANCEL).value->text, CatalogueString(IDS_CANCEL, catalogue));
    CancelAndWait(dialog, setup);
}
