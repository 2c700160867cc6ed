#include <gtest/gtest.h>

#include <algorithm>

#include "engine/post_install.h"
#include "step_fakes.h"

namespace {

const std::string kTool =
    "\"C:\\Programs\\Tellura\\code\\bin\\QELTexturesGeneration.exe\" -p  \"C:\\Programs\\Tellura\" "
    "-hWnd ";
const std::string kOptimizer =
    "\"C:\\Programs\\Tellura\\code\\bin\\QELSTART.exe\" -run \"ZRMGraphicsOptimizerApplication\" "
    "-env Tellura -direnv \"C:\\Programs\\TelluraQELEnv\" -nowindow";

struct Step {
    fakes::Events events;
    fakes::Feedback feedback{events};
    fakes::System system{events};

    int32_t Expand() { return ExpandTextures::Run(feedback, system, L"Expanding"); }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    fakes::Events Tail(size_t n) const { return fakes::Events(events.end() - n, events.end()); }
};

}  // namespace

TEST(ExpandTextures, ToolRunsToItsEndWithTheDialogWindow) {
    fakes::ResetRunState();
    Step run;
    run.system.script = fakes::Script{2, 0};
    EXPECT_EQ(run.Expand(), 0);
    const fakes::Events expected = {"log IN->ExpandTextures::Expand ()",
                                    "log C:\\Programs\\Tellura",
                                    "status Expanding",
                                    "log " + kTool + "77",
                                    "start+inherit " + kTool + "77",
                                    "wait 100",
                                    "wait 100",
                                    "wait 100",
                                    "log OUT->ExpandTextures::Expand () OK"};
    EXPECT_EQ(run.events, expected);

    // Without a record the tool still runs, told the window it was last given.
    Step again;
    again.feedback.window.reset();
    again.system.script = fakes::Script{0, 0};
    EXPECT_EQ(again.Expand(), 0);
    EXPECT_EQ(again.Count("start+inherit " + kTool + "77"), 1);
    EXPECT_EQ(again.Count("status Expanding"), 0);
}

// The tool's own exit codes are met end to end; these are the failures around it.
TEST(ExpandTextures, FailuresAroundTheTool) {
    fakes::ResetRunState();
    Step noKey;
    noKey.system.keyError = 2;
    EXPECT_EQ(noKey.Expand(), 0);
    EXPECT_EQ(
        noKey.Tail(2),
        (fakes::Events{"log Cannnot open registry key HKLM\\SOFTWARE\\Korvath\\Ventrola - rc = 2",
                       "log OUT->ExpandTextures::Expand ()KO"}));

    Step noTool;
    EXPECT_EQ(noTool.Expand(), 0);
    EXPECT_EQ(noTool.Tail(2), (fakes::Events{"log Create Process  " + kTool + "77 failed rc = 2",
                                             "log OUT->ExpandTextures::Expand ()KO"}));

    Step noPath;
    noPath.system.values.erase(L"InstallPath");
    EXPECT_EQ(noPath.Expand(), -2);
    EXPECT_EQ(noPath.Count("start+inherit " + kTool + "77"), 0);
    EXPECT_EQ(noPath.Tail(2), (fakes::Events{"log Cannnot query key value "
                                             "HKLM\\SOFTWARE\\Korvath\\Ventrola\\InstallPath.",
                                             "log OUT->ExpandTextures::Expand ()KO"}));

    Step unreadable;
    unreadable.system.script = fakes::Script{0, 0, true};
    EXPECT_EQ(unreadable.Expand(), -2);
    EXPECT_EQ(unreadable.Tail(2),
              (fakes::Events{"log Command " + kTool + "77 failed with return code  -2",
                             "log OUT->ExpandTextures::Expand ()KO"}));
}

TEST(ExpandTextures, CancelQuestionHoldsTheBarAndStopsTheToolOnYes) {
    fakes::ResetRunState();
    CancelRequests = 1;
    Step yes;
    yes.feedback.answers = {true};
    yes.system.script = fakes::Script{50, 0};
    EXPECT_EQ(yes.Expand(), 2);
    EXPECT_EQ(yes.feedback.progressEnabledAtQuestion, 0);
    EXPECT_EQ(ProgressEnabled.load(), 1);
    EXPECT_FALSE(AskBeforeCancelExpand.load());
    EXPECT_EQ(yes.Tail(5),
              (fakes::Events{"ask yes", "status text139", "terminate",
                             "log Setup was interrupted by user during Expand Textures",
                             "log OUT->ExpandTextures::Expand () CANCEL"}));

    fakes::ResetRunState();
    CancelRequests = 2;  // two presses, one question
    Step no;
    no.feedback.answers = {false};
    no.system.script = fakes::Script{3, 0};
    EXPECT_EQ(no.Expand(), 0);
    EXPECT_EQ(CancelRequests.load(), 0);
    EXPECT_TRUE(AskBeforeCancelExpand.load());
    EXPECT_EQ(ProgressEnabled.load(), 1);
    EXPECT_EQ(no.Count("wait 100"), 4);
    EXPECT_EQ(no.Count("terminate"), 0);
}

TEST(GraphicOptimizer, TimeLimitAndFailures) {
    struct Case {
        const char* name;
        std::optional<fakes::Script> script;
        uint32_t keyError;
        bool withPath;
        int32_t result;
        fakes::Events tail;
    };
    const std::string noKey = "log Cannnot open registry key HKLM\\SOFTWARE\\Korvath\\Ventrola.";
    const Case cases[] = {
        {"succeeds",
         fakes::Script{0, 0},
         0,
         true,
         0,
         {"wait 60000", "log OUT->LaunchGraphicOptimizer OK"}},
        {"still running at the limit",
         fakes::Script{1, 0},
         0,
         true,
         0,
         {"wait 60000", "terminate", "log OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)"}},
        {"fails",
         fakes::Script{0, 5},
         0,
         true,
         5,
         {"log Command " + kOptimizer + " failed with return code  5",
          "log OUT->LaunchGraphicOptimizer KO"}},
        {"no key",
         std::nullopt,
         2,
         true,
         -2,
         {noKey + "<system text 2>", "log OUT->LaunchGraphicOptimizer KO"}},
        {"no install path",
         std::nullopt,
         0,
         false,
         -2,
         {"log Cannnot query key value HKLM\\SOFTWARE\\Korvath\\Ventrola\\InstallPath."
          "<system text 2>",
          "log OUT->LaunchGraphicOptimizer KO"}},
        {"cannot start",
         std::nullopt,
         0,
         true,
         -2,
         {"start+inherit " + kOptimizer, "log <system text 2>",
          "log OUT->LaunchGraphicOptimizer KO"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Step run;
        run.system.script = c.script;
        run.system.keyError = c.keyError;
        if (!c.withPath) run.system.values.erase(L"InstallPath");
        EXPECT_EQ(RunGraphicOptimizer(run.feedback, run.system), c.result);
        EXPECT_EQ(run.events.front(), "log IN->LaunchGraphicOptimizer ()");
        EXPECT_EQ(run.Tail(c.tail.size()), c.tail);
    }
}

struct Shell : UserShell {
    explicit Shell(fakes::Events& events) : events(events) {}
    bool OpenThroughDesktop(const std::wstring& target, const std::wstring& arguments) override {
        events.push_back("desktop " + fakes::Narrow(target) + " | " + fakes::Narrow(arguments));
        return desktop;
    }
    bool OpenDirectly(const std::wstring& target, const std::wstring&) override {
        events.push_back("directly " + fakes::Narrow(target));
        return true;
    }
    fakes::Events& events;
    bool desktop = true;
};

TEST(LaunchProduct, StartsTheApplicationAsTheDesktopsUserWhenGivenAValidIdentifier) {
    const std::string command = "\"C:\\Programs\\Tellura\\Ventrola.exe\" -id  ID7 ";
    const std::string program = "C:\\Programs\\Tellura\\Ventrola.exe";
    Step launched;
    Shell shell(launched.events);
    RunLaunchProduct(launched.feedback, launched.system, shell, std::wstring(L"ID7"));
    EXPECT_EQ(launched.events,
              (fakes::Events{"log launch = " + command, "desktop " + program + " | -id  ID7 ",
                             "log Opened as the desktop's user: " + program}));

    Step fallback;
    Shell noDesktop(fallback.events);
    noDesktop.desktop = false;
    RunLaunchProduct(fallback.feedback, fallback.system, noDesktop, std::wstring(L"a.B_c-9"));
    EXPECT_EQ(fallback.Tail(2),
              (fakes::Events{"log The desktop's shell cannot be reached: opened by the setup "
                             "itself: " + program,
                             "directly " + program}));

    const std::string refused = " the product is not launched";
    const std::pair<std::wstring, std::string> refusals[] = {
        {L"", "log Appli_LaunchId is empty:" + refused},
        {std::wstring(256, L'x'), "log Appli_LaunchId is longer than 255 characters:" + refused},
        {L"ID7 -evil", "log Appli_LaunchId holds a character other than A-Z a-z 0-9 . _ -:" + refused},
        {L"ID\"7", "log Appli_LaunchId holds a character other than A-Z a-z 0-9 . _ -:" + refused},
        {L"ID\u00e97", "log Appli_LaunchId holds a character other than A-Z a-z 0-9 . _ -:" + refused},
    };
    for (const auto& [id, line] : refusals) {
        Step step;
        Shell unused(step.events);
        RunLaunchProduct(step.feedback, step.system, unused, id);
        EXPECT_EQ(step.events, fakes::Events{line});
    }
    Step longest;
    Shell accepted(longest.events);
    RunLaunchProduct(longest.feedback, longest.system, accepted, std::wstring(255, L'x'));
    EXPECT_EQ(longest.events.size(), 3u);

    Step noIdentifier;
    Shell none(noIdentifier.events);
    RunLaunchProduct(noIdentifier.feedback, noIdentifier.system, none, std::nullopt);
    Step noProduct;
    Shell noKey(noProduct.events);
    noProduct.system.keyError = 2;
    RunLaunchProduct(noProduct.feedback, noProduct.system, noKey, std::wstring(L"ID7"));
    EXPECT_TRUE(noIdentifier.events.empty());
    EXPECT_TRUE(noProduct.events.empty());
}
