#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/startup_sequence.h"
#include "resources/resource_ids.h"
#include "tests/unit/ascii_text.h"

namespace {

std::string Text(unsigned id) { return "text" + std::to_string(id); }

struct Platform : StartupPlatform {
    void Log(const std::wstring& line) override { events.push_back("log " + Narrow(line)); }
    std::wstring ProductText(unsigned id) override { return L"text" + std::to_wstring(id); }
    void ShowError(const std::wstring& text) override { events.push_back("error " + Narrow(text)); }
    void ShowWarning(const std::wstring& text) override {
        events.push_back("warning " + Narrow(text));
    }
    bool AnotherSetupHoldsGuard() override { return guard == InstanceGuard::kAnotherSetup; }
    void KeepExistingLog() override { events.push_back("keep log"); }
    bool IsUserAdmin() override { return admin; }
    InstanceGuard CreateInstanceGuard() override {
        events.push_back("guard");
        return guard;
    }
    void BringRunningSetupForward() override { events.push_back("bring forward"); }
    bool CreateSetupRunningMarker(std::wstring& error) override {
        events.push_back("marker");
        error = L"no marker";
        return marker;
    }
    void ReleaseGuards() override { events.push_back("release"); }
    void CheckRequirements() override { events.push_back("requirements"); }
    void PinPublisher() override { events.push_back("publisher"); }
    void CheckAllPrereqs() override { events.push_back("prerequisites"); }
    std::optional<std::wstring> CustomServer() override { return server; }
    intptr_t RunDialog() override {
        events.push_back("dialog");
        return endCode;
    }
    void WaitForWorker(uint32_t milliseconds) override {
        events.push_back("wait worker " + std::to_string(milliseconds));
    }
    void LaunchProduct() override { events.push_back("launch"); }

    std::vector<std::string> events;
    bool admin = true;
    InstanceGuard guard = InstanceGuard::kFirst;
    bool marker = true;
    std::optional<std::wstring> server;
    intptr_t endCode = kDialogInstalled;
};

const std::string kBegin = "log " + Text(IDS_LOG_BEGIN);
const std::string kEnd = "log " + Text(IDS_LOG_END);
const std::string kCustom = "Internal test for Tellura from test.example";
const std::vector<std::string> kChecks = {
    "guard",         "marker", "requirements",      "log Version 06-26-2009.09.50",
    "publisher", "prerequisites", "dialog", "wait worker 10000", "release"};

std::vector<std::string> Checked(std::vector<std::string> after) {
    std::vector<std::string> events = {kBegin};
    events.insert(events.end(), kChecks.begin(), kChecks.end());
    events.insert(events.end(), after.begin(), after.end());
    return events;
}

}  // namespace

TEST(StartupSequence, OrderForEachWayTheRunEnds) {
    struct Case {
        const char* name;
        std::function<void(Platform&)> arrange;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"not an administrator",
         [](Platform& p) { p.admin = false; },
         {kBegin, "error " + Text(IDS_NOT_ADMIN), "log " + Text(IDS_NOT_ADMIN), kEnd}},
        {"another setup runs: its log is kept",
         [](Platform& p) { p.guard = InstanceGuard::kAnotherSetup; },
         {"keep log", kBegin, "guard", "error " + Text(IDS_ANOTHER_SETUP), "bring forward",
          "release"}},
        {"the guard cannot be created",
         [](Platform& p) { p.guard = InstanceGuard::kNotCreated; },
         {kBegin, "guard"}},
        {"the marker cannot be created",
         [](Platform& p) { p.marker = false; },
         {kBegin, "guard", "marker", "log no marker", kEnd, "release"}},
        {"installed: the product starts once the worker has ended", [](Platform&) {},
         Checked({"log IDOK", "launch", kEnd})},
        {"cancelled", [](Platform& p) { p.endCode = kDialogCancelled; },
         Checked({"log IDCANCEL", kEnd})},
        {"aborted", [](Platform& p) { p.endCode = kDialogAborted; },
         Checked({"log IDCANCEL", kEnd})},
        {"no dialog", [](Platform& p) { p.endCode = kDialogNotCreated; },
         Checked({"log The setup dialog could not be created", kEnd})},
        {"another end code", [](Platform& p) { p.endCode = 0; }, Checked({kEnd})},
        {"a custom server is named before the version",
         [](Platform& p) { p.server = L"test.example"; },
         {kBegin, "guard", "marker", "requirements", "warning " + kCustom, "log " + kCustom,
          "log Version 06-26-2009.09.50", "publisher", "prerequisites", "dialog", "wait worker 10000", "release",
          "log IDOK", "launch", kEnd}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Platform platform;
        c.arrange(platform);
        RunStartup(platform);
        EXPECT_EQ(platform.events, c.events);
    }
}
