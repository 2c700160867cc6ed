#include <gtest/gtest.h>

#include <algorithm>

#include "engine/installer_run.h"
#include "resources/resource_ids.h"
#include "step_fakes.h"

namespace {

const InstallCommand kMsxml{
    L"C:\\T\\KST1\\msxml6_x86.msi", L"C:\\T\\", L"msxml6_x86.msi", false, false, L""};

struct Step {
    fakes::Events events;
    fakes::Feedback feedback{events};
    fakes::System system{events};

    int32_t Install() { return RunInstaller(feedback, system, L"Installing", kMsxml); }
    int32_t Remove() { return RunRemoval(feedback, system, L"Removing", kMsxml.packagePath); }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    // The last progress post before `before` (an event text), counted from the end.
    std::string LastProgressBefore(const std::string& before) const {
        auto end = std::find(events.rbegin(), events.rend(), before);
        auto found = std::find_if(end == events.rend() ? end : std::next(end), events.rend(),
                                  [](const std::string& e) { return e.rfind("progress", 0) == 0; });
        return found == events.rend() ? "" : *found;
    }
};

}  // namespace

TEST(InstallerRun, QuickInstallerMovesTheBarAndPausesAtSixty) {
    fakes::ResetRunState();
    Step run;
    run.system.script = fakes::Script{0, 0};
    EXPECT_EQ(run.Install(), 0);
    const fakes::Events expected = {
        "log IN->InstallMSI ()",
        "status Installing",
        "log C:\\T\\KST1\\msxml6_x86.msi",
        "log msiexec /norestart /i C:\\T\\KST1\\msxml6_x86.msi /q /l* C:\\T\\msxml6_x86.msi.log",
        "start msiexec /norestart /i C:\\T\\KST1\\msxml6_x86.msi /q /l* C:\\T\\msxml6_x86.msi.log",
        "progress 1/100",
        "wait 300",
        "progress 1/100",
        "log Installer exit code = 0 (success)",
        "progress 100/100",
        "progress 60/60",
        "pause 200",
        "log OUT->InstallMSI () OK"};
    EXPECT_EQ(run.events, expected);
}

TEST(InstallerRun, PositionWrapsAfterAHundredPolls) {
    struct Case {
        int activeReads;
        std::string lastPosition;
        bool sixtyOfSixty;
    };
    for (const Case& c : {Case{58, "progress 59/100", true}, Case{59, "progress 60/100", false},
                          Case{101, "progress 2/100", true}}) {
        SCOPED_TRACE(c.activeReads);
        fakes::ResetRunState();
        Step run;
        run.system.script = fakes::Script{c.activeReads, 0};
        EXPECT_EQ(run.Install(), 0);
        EXPECT_EQ(run.Count("wait 300"), c.activeReads + 1);
        EXPECT_EQ(run.LastProgressBefore("progress 100/100"), c.lastPosition);
        EXPECT_EQ(run.Count("progress 60/60"), c.sixtyOfSixty ? 1 : 0);
        EXPECT_EQ(run.Count("progress 100/100"), c.activeReads >= 99 ? 2 : 1);
    }
}

TEST(InstallerRun, CancelQuestionWhileTheInstallerRuns) {
    struct Case {
        const char* name;
        int cancelRequests;
        bool askBefore;
        std::deque<bool> answers;
        bool record;
        int32_t result;
        int questions;
        int cancelRequestsAfter;
        bool askBeforeAfter;
    };
    const Case cases[] = {
        {"yes", 1, true, {true}, true, 2, 1, 1, false},
        {"no", 1, true, {false}, true, 0, 1, 0, true},
        {"pressed twice", 2, true, {true}, true, 2, 1, 1, false},
        {"pressed three times, No", 3, true, {false}, true, 0, 1, 0, true},
        {"already confirmed once", 1, false, {true}, true, 0, 0, 1, false},
        {"yes without a record", 1, true, {true}, false, 2, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::ResetRunState();
        CancelRequests = c.cancelRequests;
        AskBeforeCancel = c.askBefore;
        Step run;
        run.feedback.answers = c.answers;
        if (!c.record) run.feedback.window.reset();
        run.system.script = fakes::Script{3, 0};
        EXPECT_EQ(run.Install(), c.result);
        EXPECT_EQ(run.Count("ask yes") + run.Count("ask no"), c.questions);
        EXPECT_EQ(CancelRequests.load(), c.cancelRequestsAfter);
        EXPECT_EQ(AskBeforeCancel.load(), c.askBeforeAfter);
        // The installer is never stopped: it is supervised to its end.
        EXPECT_EQ(run.Count("wait 300"), 4);
        EXPECT_EQ(run.Count("status text139"), c.result == 2 && c.record ? 1 : 0);
        EXPECT_EQ(run.Count("log OUT->InstallMSI () OK"), 1);
        EXPECT_EQ(run.Count("log OUT->InstallMSI () CANCEL"), c.result == 2 ? 1 : 0);
        EXPECT_EQ(run.Count("log Setup was interrupted by user after "
                            "C:\\T\\KST1\\msxml6_x86.msi installation"),
                  c.result == 2 ? 1 : 0);
        EXPECT_EQ(run.Count("progress 1/100"), c.record ? 2 : 0);
    }
}

TEST(InstallerRun, InstallerThatCannotBeStartedOrWatched) {
    fakes::ResetRunState();
    Step notStarted;
    EXPECT_EQ(notStarted.Install(), 0);
    EXPECT_EQ(notStarted.events.back(), "log OUT->InstallMSI () KO");
    EXPECT_EQ(notStarted.events[notStarted.events.size() - 2], "log Process failed rc = 2");
    EXPECT_EQ(notStarted.Count("progress 1/100"), 0);

    Step unwatched;
    unwatched.system.script = fakes::Script{0, 0, true};
    EXPECT_EQ(unwatched.Install(), -2);
    const fakes::Events tail(unwatched.events.end() - 4, unwatched.events.end());
    EXPECT_EQ(tail,
              (fakes::Events{"progress 1/100", "progress 100/100",
                             "log GetExitCodeProcess failed rc = 6", "log OUT->InstallMSI () KO"}));
}

TEST(InstallerRun, RemovalCountsDownWithoutAQuestion) {
    fakes::ResetRunState();
    CancelRequests = 1;
    Step run;
    run.feedback.answers = {true};
    run.system.script = fakes::Script{2, 0};
    EXPECT_EQ(run.Remove(), 0);
    const fakes::Events expected = {"log IN->RemoveMSI ()",
                                    "status Removing",
                                    "log msiexec /x C:\\T\\KST1\\msxml6_x86.msi /q",
                                    "start msiexec /x C:\\T\\KST1\\msxml6_x86.msi /q",
                                    "progress 59/60",
                                    "wait 1500",
                                    "progress 59/60",
                                    "wait 1500",
                                    "progress 58/60",
                                    "wait 1500",
                                    "progress 57/60",
                                    "log Installer exit code = 0 (success)",
                                    "progress 0/60",
                                    "log OUT->RemoveMSI () OK"};
    EXPECT_EQ(run.events, expected);

    // A removal of more than 90 s goes below the bar's minimum.
    Step slow;
    slow.system.script = fakes::Script{62, 0};
    EXPECT_EQ(slow.Remove(), 0);
    EXPECT_EQ(slow.LastProgressBefore("progress 0/60"), "progress -3/60");

    Step unwatched;
    unwatched.system.script = fakes::Script{0, 0, true};
    EXPECT_EQ(unwatched.Remove(), -2);
    EXPECT_EQ(unwatched.events.back(), "log OUT->RemoveMSI () KO");
}

// What each exit code makes of the step; 1618 starts the installer again after 5, 10, 20, 40
// and 45 s, two minutes in all, with Cancel asked meanwhile.
TEST(InstallerRun, ExitCodesDecideTheStep) {
    struct Case {
        const char* name;
        bool update;
        std::vector<uint32_t> codes;  // one for each start, the last one repeated
        int32_t result;
        int starts;
        bool restart;  // the line that a restart completes it
        int pausedSeconds;
        bool cancelWhileWaiting = false;
    };
    const Case cases[] = {
        {"3010", false, {3010}, 0, 1, true, 0},
        {"1641", false, {1641}, 0, 1, true, 0},
        {"1603", false, {1603}, 3, 1, false, 0},
        {"update already installed", true, {0x240006}, 0, 1, false, 0},
        {"update needs a restart", true, {0x240005}, 0, 1, true, 0},
        {"an update's code from msiexec", false, {0x240006}, 3, 1, false, 0},
        {"1618 that clears", false, {1618, 1618, 0}, 0, 3, false, 15},
        {"1618 for two minutes", false, {1618}, 3, 6, false, 120},
        {"Cancel while waiting", false, {1618}, 2, 1, false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::ResetRunState();
        Step run;
        InstallCommand command = kMsxml;
        command.updatePackage = c.update;
        size_t starts = 0;
        run.system.onStart = [&](const std::string&) {
            run.system.script = fakes::Script{1, c.codes[std::min(starts++, c.codes.size() - 1)]};
        };
        if (c.cancelWhileWaiting) {
            run.feedback.answers = {true};
            // Pressed as the bar moves during the first wait.
            run.feedback.onProgress = [&] {
                if (run.Count("pause 300") > 0) CancelRequests = 1;
            };
        }
        EXPECT_EQ(RunInstaller(run.feedback, run.system, L"Installing", command), c.result);
        EXPECT_EQ(starts, static_cast<size_t>(c.starts));
        int paused = 0;  // before the last start: the waits for the other installation
        const auto lastStart = std::find_if(run.events.rbegin(), run.events.rend(), [](auto& e) {
                                   return e.rfind("start ", 0) == 0;
                               }).base();
        for (auto e = run.events.begin(); e != lastStart; ++e)
            if (e->rfind("pause ", 0) == 0) paused += std::stoi(e->substr(6));
        if (!c.cancelWhileWaiting) {
            EXPECT_EQ(paused, c.pausedSeconds * 1000);
        }
        EXPECT_EQ(run.Count("log A restart of Windows completes the installation of "
                            "C:\\T\\KST1\\msxml6_x86.msi"),
                  c.restart ? 1 : 0);
        EXPECT_EQ(run.events.back(), c.result == 3   ? "log OUT->InstallMSI () KO"
                                     : c.result == 2 ? "log OUT->InstallMSI () CANCEL"
                                                     : "log OUT->InstallMSI () OK");
    }
    Step busy;
    busy.system.script = fakes::Script{0, 1618};
    busy.Install();
    for (const char* wait : {"5", "10", "20", "40", "45"}) {
        EXPECT_EQ(busy.Count("log Another installation is in progress; starting the installer "
                             "again in " + std::string(wait) + " s"),
                  1);
    }
    // Each wait shows why on the status line, and each new start shows the step's own text.
    EXPECT_EQ(busy.Count("status text" + std::to_string(IDS_INSTALLER_BUSY)), 5);
    EXPECT_EQ(busy.Count("status Installing"), 6);
}
