// One run of the real TelluraSetup.exe through Install, as a user makes it: the link server
// offers this scenario's packages, the setup starts with a private temporary folder, and when
// the scenario ends everything the run installed is removed again.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/http_test_server/scripted_server.h"
#include "tests/win/support/setup_process.h"

struct Scenario {
    std::map<std::wstring, std::wstring> env;       // added to the setup's environment
    std::map<std::wstring, std::wstring> variants;  // served name -> file of packages\variants
    // A marker of server_faults.conf: ".throttle", ".trickle" or ".whole"; none when empty.
    std::wstring serverFault;
    // The product served as a sparse file of this many bytes instead of a package.
    int64_t productSize = 0;
    // A copy of the setup to start instead of the built one signed as the packages are.
    std::wstring setupCopy;
    // The setup's temporary folder instead of a fresh one of the scenario's name.
    std::wstring tempFolder;
    // Called with the temporary folder before the setup starts.
    std::function<void(const std::wstring&)> beforeStart;
    // The product's answers cut off after half their body: this many, -1 for every one after
    // the first piece. A server of the test's own stands in for the link server then (nginx
    // cannot cut).
    int productCuts = 0;
    // A package of packages\variants installed before the setup starts, removed at the end.
    std::wstring installedFirst;
};

inline Scenario WithEnvironment(std::map<std::wstring, std::wstring> env) {
    Scenario scenario;
    scenario.env = std::move(env);
    return scenario;
}

inline Scenario WithProduct(const std::wstring& variant) {
    Scenario scenario;
    scenario.variants[L"Ventrola.msi"] = variant;
    return scenario;
}

class Installation {
  public:
    Installation(const std::wstring& name, const Scenario& scenario);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // Answers the test-server warning, accepts the licence and presses Install.
    ::testing::AssertionResult Install();
    ::testing::AssertionResult WaitForStatus(const std::wstring& text, DWORD timeoutMs = 120000);
    ::testing::AssertionResult PressCancel();
    // Waits for the cancel question and answers it.
    ::testing::AssertionResult AnswerCancelQuestion(bool yes);
    // The text the dialog shows once the run has ended: the failure text or the status line.
    std::wstring WaitForOutcome(DWORD timeoutMs = 240000);
    // Presses Close and waits for the setup to exit.
    ::testing::AssertionResult Close();

    std::vector<std::string> Log() const;
    std::string LogText() const;  // for failure messages
    std::wstring LogPath() const { return _folder + L"KSTInstall.log"; }
    // The run's download folder, as its log names it ("<temp>KST<pid>\" until it is logged).
    std::wstring DownloadFolder() const;
    std::wstring TempFolder() const { return _folder; }
    DWORD ProcessId() const { return _setup ? _setup->Id() : 0; }
    std::string Url(int linkId) const;
    bool FolderExists(const std::wstring& folder) const;
    // What a stand-in of the product's programs wrote down; "<missing>" when it did not run.
    std::string Recorded(const wchar_t* program) const;
    bool ProductKeyExists() const;
    bool CancelEnabled() const;
    // The setup process's largest working set so far, in bytes.
    size_t PeakMemory() const;
    HWND Dialog() const { return _dialog; }

  private:
    void Serve(const Scenario& scenario);
    // Serves the links and files as the link server does, cutting the product's answers.
    std::string ServeCutting(int cuts);
    void RemoveInstalledPackages(const std::wstring& downloads);

    std::wstring _folder;
    std::wstring _served;
    std::wstring _records;
    httptest::ScriptedServer _cutting;
    std::wstring _installedFirst;
    std::unique_ptr<SetupProcess> _setup;
    HWND _dialog = nullptr;
};

// The built setup signed with the packages' certificate: its publisher.
std::wstring SignedSetupPath();

// The language of the catalogue the setup shows for this user interface.
LANGID CatalogueLanguage();
// A catalogue text of the setup in the language with %1 = "Tellura" and %2 = arg2.
std::wstring CatalogueText(UINT id, LANGID language, const std::wstring& arg2 = L"");
