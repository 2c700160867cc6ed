// ui_driver.exe: its command line, and the program itself driving the stand-in dialog.
#include "tests/tools/ui_driver/cli.h"
#include "tests/win/ui_driver/child_process.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace ui_driver_test {
namespace {

using ui_driver::Command;
using ui_driver::Op;
using ui_driver::ParseCommand;

Command Parsed(const std::vector<std::wstring>& args) {
    const ui_driver::Result<Command> command = ParseCommand(args);
    EXPECT_TRUE(command) << command.error;
    return command ? *command.value : Command{};
}

std::string ParseError(const std::vector<std::wstring>& args) {
    const ui_driver::Result<Command> command = ParseCommand(args);
    EXPECT_FALSE(command);
    return command.error;
}

TEST(UiDriverCommandLine, ParsesEveryArgumentForm) {
    EXPECT_EQ(Parsed({L"text", L"-1"}).id, -1);
    EXPECT_EQ(Parsed({L"text", L"0xFFFF"}).id, 0xFFFF);
    EXPECT_EQ(Parsed({L"click", L"1006"}).op, Op::Click);

    const Command wait = Parsed({L"wait-hidden", L"1000", L"60000"});
    EXPECT_EQ(wait.op, Op::WaitHidden);
    EXPECT_EQ(wait.id, 1000);
    EXPECT_EQ(wait.timeoutMs, 60000u);

    const Command press = Parsed({L"msgbox-press", L"idyes", L"Tellura Setup"});
    EXPECT_EQ(press.id, IDYES);
    EXPECT_EQ(press.caption, std::optional<std::wstring>(L"Tellura Setup"));
    EXPECT_EQ(Parsed({L"msgbox-press", L"IDNO"}).caption, std::nullopt);
    EXPECT_EQ(Parsed({L"msgbox-press", L"IDCANCEL"}).id, IDCANCEL);
    EXPECT_EQ(Parsed({L"msgbox-text"}).caption, std::nullopt);
    EXPECT_EQ(Parsed({L"msgbox-wait", L"500", L"x"}).timeoutMs, 500u);
    EXPECT_EQ(Parsed({L"click-link", L"1019"}).id, 1019);
    EXPECT_EQ(Parsed({L"msgbox-rect", L"x"}).caption, std::optional<std::wstring>(L"x"));
}

TEST(UiDriverCommandLine, RefusesWhatItCannotMeanClearly) {
    EXPECT_EQ(ParseError({}), "no command given");
    EXPECT_NE(ParseError({L"push", L"1"}).find("unknown command \"push\""), std::string::npos);
    EXPECT_NE(ParseError({L"text"}).find("wrong number"), std::string::npos);
    EXPECT_NE(ParseError({L"text", L"1", L"2"}).find("wrong number"), std::string::npos);
    EXPECT_NE(ParseError({L"caption", L"x"}).find("wrong number"), std::string::npos);
    EXPECT_NE(ParseError({L"text", L"12x"}).find("bad control id"), std::string::npos);
    EXPECT_NE(ParseError({L"text", L"70000"}).find("bad control id"), std::string::npos);
    EXPECT_NE(ParseError({L"text", L" 5"}).find("bad control id"), std::string::npos);
    EXPECT_NE(ParseError({L"wait-dialog", L"-5"}).find("bad timeout"), std::string::npos);
    EXPECT_NE(ParseError({L"wait-dialog", L""}).find("bad timeout"), std::string::npos);
    EXPECT_NE(ParseError({L"msgbox-press", L"IDMAYBE"}).find("bad button"), std::string::npos);
}

class UiDriverProgram : public ::testing::Test {
  protected:
    ui_driver_test::Captured Driver(const std::vector<std::wstring>& args) {
        return RunCaptured(DriverExe(), args);
    }
};

TEST_F(UiDriverProgram, FailsWithAMessageAndItsExitStatus) {
    Captured run = Driver({L"text", L"1017"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no visible window of class \"KESTRAClass\""), std::string::npos)
        << run.err;

    run = Driver({L"frobnicate"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("unknown command"), std::string::npos) << run.err;

    run = Driver({L"msgbox-wait", L"200"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("within 200 ms"), std::string::npos) << run.err;
}

TEST_F(UiDriverProgram, DrivesTheDialogOfAnotherProcess) {
    ChildProcess standIn;
    ASSERT_TRUE(standIn.Start(StandInExe(), {L"--warn", L"Internal test for Tellura from host"}));

    Captured run = Driver({L"wait-any", L"20000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "msgbox\n");
    run = Driver({L"msgbox-text", L"Tellura Setup"});
    EXPECT_EQ(run.out, "Internal test for Tellura from host\n");
    run = Driver({L"msgbox-press", L"IDOK"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    ASSERT_EQ(Driver({L"wait-dialog", L"20000"}).exitCode, 0);
    EXPECT_EQ(Driver({L"caption"}).out, "Tellura Setup\n");
    EXPECT_EQ(Driver({L"text", L"1006"}).out, "Install\n");
    EXPECT_EQ(Driver({L"visible", L"1006"}).out, "yes\n");
    EXPECT_EQ(Driver({L"enabled", L"1006"}).out, "no\n");
    run = Driver({L"click", L"1006"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("control 1006 is disabled"), std::string::npos) << run.err;

    int left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(
        std::sscanf(Driver({L"rect"}).out.c_str(), "%d %d %d %d", &left, &top, &width, &height), 4);
    EXPECT_GT(width, 200);
    EXPECT_GT(height, 200);
    run = Driver({L"click-link", L"1001"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("control 1001 is not a link control"), std::string::npos) << run.err;

    ASSERT_EQ(Driver({L"check", L"1001"}).exitCode, 0);
    EXPECT_EQ(Driver({L"checked", L"1001"}).out, "yes\n");
    EXPECT_EQ(Driver({L"enabled", L"1006"}).out, "yes\n");
    EXPECT_EQ(Driver({L"foreground"}).out.rfind("dialog\tKESTRAClass\tTellura Setup", 0), 0u);

    EXPECT_EQ(Driver({L"minimised"}).out, "no\n");
    ASSERT_EQ(Driver({L"minimise"}).exitCode, 0);
    EXPECT_EQ(Driver({L"minimised"}).out, "yes\n");

    ASSERT_EQ(Driver({L"click", L"2"}).exitCode, 0);
    ASSERT_EQ(Driver({L"wait-gone", L"10000"}).exitCode, 0);
    EXPECT_EQ(standIn.Wait(10000), IDCANCEL);
}

}  // namespace
}  // namespace ui_driver_test
