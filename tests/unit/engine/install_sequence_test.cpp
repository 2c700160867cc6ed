#include <gtest/gtest.h>

#include <functional>

#include "engine/install_sequence.h"
#include "resources/resource_ids.h"
#include "step_fakes.h"

namespace {

// Downloads, verifies and finds the product installed, unless a case makes one step fail.
struct Platform : WorkerPlatform {
    explicit Platform(fakes::Events& events) : events(events) {}
    std::optional<std::wstring> CreateDownloadFolder() override {
        events.push_back("create folder");
        return folder;
    }
    int32_t DownloadPrereqs(const std::wstring&, const PackageStep& package,
                            const std::wstring&) override {
        const std::string name = fakes::Narrow(package.fileName);
        events.push_back("download " + name);
        return name == failedDownload ? downloadResult : 0;
    }
    bool IsPackageSigned(const PackageStep& package, const std::wstring& path) override {
        events.push_back("verify " + fakes::Narrow(path) +
                         (package.fromMicrosoft ? " as Microsoft's" : ""));
        return unsignedPackage.empty() ||
               fakes::Narrow(path).find(unsignedPackage) == std::string::npos;
    }
    void ClaimInstallerLog(const std::wstring& path) override {
        events.push_back("claim log " + fakes::Narrow(path));
    }
    bool IsInstalled() override {
        events.push_back("is installed");
        return installed;
    }
    std::wstring InstalledVersion() override { return installedVersion; }
    std::wstring installedVersion = L"1.2.3";
    void DeleteDownloads() override { events.push_back("delete downloads"); }
    fakes::Events& events;
    std::optional<std::wstring> folder = L"C:\\T\\KST1\\";
    std::string failedDownload;  // the package whose download ends with downloadResult
    int32_t downloadResult = 3;
    std::string unsignedPackage;  // the package whose signature is refused
    bool installed = true;
};

struct Worker {
    fakes::Events events;
    fakes::Feedback feedback{events};
    fakes::System system{events};
    Platform platform{events};

    std::wstring upgradeVersion;  // empty: no upgrade

    SetupOutcome Install() {
        const InstallPlan plan{PackagesToInstall({true, true, false, false}), L"C:\\T\\",
                               L"PROPS", false, upgradeVersion};
        return RunInstallation(plan, platform, feedback, system);
    }
    // The user presses Cancel as the program with the word starts, and confirms it.
    void CancelWhenStarted(const std::string& word) {
        feedback.answers = {true};
        system.onStart = [word](const std::string& line) {
            if (line.find(word) != std::string::npos) CancelRequests = 1;
        };
    }
};

std::string Outcome(SetupOutcome outcome) {
    return "outcome " + std::to_string(static_cast<int>(outcome));
}
std::string Status(unsigned id) { return "status text" + std::to_string(id); }

const char* const kPrerequisite = "InstallKVSoftwarePrerequisites_x86.msi";
const char* const kOk = "log OUT->ThreadDownloadInstall () OK ";
const char* const kKo = "log OUT->ThreadDownloadInstall () KO ";
const char* const kCancel = "log OUT->ThreadDownloadInstall () CANCEL ";

}  // namespace

TEST(InstallSequence, PathsThroughTheWorker) {
    struct Case {
        const char* name;
        std::function<void(Worker&)> arrange;
        SetupOutcome outcome;
        std::vector<std::string> inOrder;  // each held by an event, in this order
        std::vector<std::string> absent;   // held by no event
    };
    const Case cases[] = {
        {"every step succeeds",
         [](Worker&) {},
         SetupOutcome::kSucceeded,
         {"create folder", std::string("download ") + kPrerequisite,
          "claim log C:\\T\\" + std::string(kPrerequisite) + ".log",
          "/i C:\\T\\KST1\\" + std::string(kPrerequisite),
          "verify C:\\T\\KST1\\msxml6_x86.msi as Microsoft's",
          "download Ventrola.msi", "verify C:\\T\\KST1\\Ventrola.msi",
          "claim log C:\\T\\Ventrola.msi.log", "Ventrola.msi  PROPS",
          "is installed", "QELTexturesGeneration", Status(IDS_LAUNCHING_OPTIMIZER), "QELSTART",
          Outcome(SetupOutcome::kSucceeded), kOk},
         {"msiexec /x"}},
        {"no new download folder: nothing is downloaded",
         [](Worker& worker) { worker.platform.folder = std::nullopt; },
         SetupOutcome::kFailedDownload,
         {"create folder", Outcome(SetupOutcome::kFailedDownload), kKo},
         {"download ", "start"}},
        {"a cancel confirmed while a prerequisite installs",
         [](Worker& worker) { worker.CancelWhenStarted(kPrerequisite); },
         SetupOutcome::kInterrupted,
         {"ask yes", "log OUT->InstallMSI () CANCEL", Outcome(SetupOutcome::kInterrupted), kCancel},
         {"download Ventrola.msi", "msiexec /x"}},
        {"the product's installer cannot be supervised",
         [](Worker& worker) {
             worker.system.scriptsByWord = {{"Ventrola.msi", fakes::Script{0, 0, true}}};
         },
         SetupOutcome::kFailedDownload,
         {"download Ventrola.msi", "log OUT->InstallMSI () KO",
          Outcome(SetupOutcome::kFailedDownload), kKo},
         {"is installed", "QELTexturesGeneration", "msiexec /x"}},
        {"a prerequisite's installer cannot be started, and the run goes on",
         [](Worker& worker) {
             worker.system.scriptsByWord = {{kPrerequisite, std::nullopt}};
         },
         SetupOutcome::kSucceeded,
         {"log OUT->InstallMSI () KO", "download Ventrola.msi", "is installed",
          Outcome(SetupOutcome::kSucceeded), kOk},
         {}},
        {"a failed download ends the run before anything is installed",
         [](Worker& worker) { worker.platform.failedDownload = kPrerequisite; },
         SetupOutcome::kFailedDownload,
         {std::string("download ") + kPrerequisite, Outcome(SetupOutcome::kFailedDownload), kKo},
         {"verify", "start", "download Ventrola.msi"}},
        {"a download cancelled by the user",
         [](Worker& worker) {
             worker.platform.failedDownload = "Ventrola.msi";
             worker.platform.downloadResult = 2;
         },
         SetupOutcome::kInterrupted,
         {"download Ventrola.msi", Outcome(SetupOutcome::kInterrupted), kCancel},
         {"verify C:\\T\\KST1\\Ventrola.msi", "Ventrola.msi  PROPS", "msiexec /x"}},
        {"a package without an accepted signature is not installed",
         [](Worker& worker) { worker.platform.unsignedPackage = "Ventrola.msi"; },
         SetupOutcome::kFailedDownload,
         {"verify C:\\T\\KST1\\Ventrola.msi", Outcome(SetupOutcome::kFailedDownload), kKo},
         {"Ventrola.msi  PROPS", "is installed"}},
        {"the product not registered after its installer",
         [](Worker& worker) { worker.platform.installed = false; },
         SetupOutcome::kFailedDownload,
         {"Ventrola.msi  PROPS", "is installed", Outcome(SetupOutcome::kFailedDownload), kKo},
         {"QELTexturesGeneration", "QELSTART"}},
        {"Yes while the product installs removes it again",
         [](Worker& worker) { worker.CancelWhenStarted("Ventrola.msi  PROPS"); },
         SetupOutcome::kInterrupted,
         {"ask yes", "log OUT->InstallMSI () CANCEL", Status(IDS_REMOVING_PRODUCT),
          "start msiexec /x C:\\T\\KST1\\Ventrola.msi /q", "log OUT->RemoveMSI () OK",
          Outcome(SetupOutcome::kInterrupted), kCancel},
         {"is installed", "QELTexturesGeneration"}},
        {"the optimizer fails, which the outcome ignores",
         [](Worker& worker) {
             worker.system.scriptsByWord = {{"QELSTART", fakes::Script{0, 5}}};
         },
         SetupOutcome::kSucceeded,
         {"log OUT->LaunchGraphicOptimizer KO", "log Graphic Optimizer failed - rc = 5",
          Outcome(SetupOutcome::kSucceeded), kOk},
         {}},
        {"no record: nothing is posted",
         [](Worker& worker) { worker.feedback.window = std::nullopt; },
         SetupOutcome::kSucceeded,
         {"download Ventrola.msi", "is installed", "QELSTART", kOk},
         {"status", "progress", "outcome"}},
        {"Yes while the textures expand removes the product again",
         [](Worker& worker) { worker.CancelWhenStarted("QELTexturesGeneration"); },
         SetupOutcome::kInterrupted,
         {"ask yes", "log OUT->ExpandTextures::Expand () CANCEL", Status(IDS_REMOVING_PRODUCT),
          "start msiexec /x C:\\T\\KST1\\Ventrola.msi /q", "log OUT->RemoveMSI () OK",
          Outcome(SetupOutcome::kInterrupted), kCancel},
         {"QELSTART"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::ResetRunState();
        Worker worker;
        worker.system.script = fakes::Script{0, 0};
        c.arrange(worker);
        EXPECT_EQ(worker.Install(), c.outcome);

        auto at = worker.events.begin();
        for (const std::string& expected : c.inOrder) {
            at = std::find_if(at, worker.events.end(), [&](const std::string& event) {
                return event.find(expected) != std::string::npos;
            });
            if (at == worker.events.end()) {
                ADD_FAILURE() << "missing, or out of order: " << expected;
                break;
            }
            ++at;  // one event holds one expectation
        }
        for (const std::string& unexpected : c.absent) {
            for (const std::string& event : worker.events)
                EXPECT_EQ(event.find(unexpected), std::string::npos) << event;
        }
        // The downloads are gone before the dialog may close the process: only the outcome and
        // the exit line follow their deletion.
        const auto deleted =
            std::find(worker.events.begin(), worker.events.end(), "delete downloads");
        EXPECT_EQ(worker.events.end() - deleted, worker.feedback.window ? 3 : 2);
    }
}

// A failing installer ends the run with the download failure's text; after an upgrade the
// announced version must be the one registered.
TEST(InstallSequence, InstallerResultsAndTheUpgradedVersion) {
    struct Case {
        const char* name;
        const char* failingWord;  // the installer that ends with 1603, if any
        std::wstring upgradeVersion;
        std::wstring installedVersion;
        SetupOutcome outcome;
        std::string line;  // a log line of the run ("" for none)
    };
    const Case cases[] = {
        {"a prerequisite fails", kPrerequisite, L"", L"1.2.3", SetupOutcome::kFailedDownload,
         "log Installer exit code = 1603 (fatal error during installation)"},
        {"the product fails", "Ventrola.msi", L"", L"1.2.3", SetupOutcome::kFailedDownload,
         "log Installer exit code = 1603 (fatal error during installation)"},
        {"the upgrade took place", nullptr, L"1.2.3", L"1.2.3", SetupOutcome::kSucceeded, ""},
        {"the upgrade left 1.0", nullptr, L"1.2.3", L"1.0.0", SetupOutcome::kFailedDownload,
         "log The upgrade to 1.2.3 left version 1.0.0 installed"},
        {"another version than announced", nullptr, L"1.2.3", L"1.2.4",
         SetupOutcome::kFailedDownload, "log The upgrade to 1.2.3 left version 1.2.4 installed"},
        {"no upgrade: the version is not asked", nullptr, L"", L"1.0.0", SetupOutcome::kSucceeded,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::ResetRunState();
        Worker worker;
        worker.system.script = fakes::Script{0, 0};
        if (c.failingWord) worker.system.scriptsByWord = {{c.failingWord, fakes::Script{0, 1603}}};
        worker.upgradeVersion = c.upgradeVersion;
        worker.platform.installedVersion = c.installedVersion;
        EXPECT_EQ(worker.Install(), c.outcome);
        if (!c.line.empty()) {
            EXPECT_NE(std::find(worker.events.begin(), worker.events.end(), c.line),
                      worker.events.end());
        }
        const bool productStarted =
            std::find(worker.events.begin(), worker.events.end(), "download Ventrola.msi") !=
            worker.events.end();
        EXPECT_EQ(productStarted, c.failingWord != kPrerequisite);
        EXPECT_EQ(std::count(worker.events.begin(), worker.events.end(), "start msiexec /x C:\\T\\KST1\\Ventrola.msi /q"), 0);
    }
}
