// Fakes of what the engine's steps see: the user (log, dialog, answers to the cancel question)
// and the system (scripted child processes, the product's registry key). Both write into one
// event list, so a test can check the exact order of posts, waits and log lines.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/setup_state.h"
#include "engine/step_feedback.h"
#include "engine/system_services.h"
#include "tests/unit/ascii_text.h"

namespace fakes {

using ::Narrow;

using Events = std::vector<std::string>;

struct Feedback : StepFeedback {
    explicit Feedback(Events& events) : events(events) {}

    void Log(const std::wstring& line) override { events.push_back("log " + Narrow(line)); }
    void ShowStatus(const std::wstring& text) override {
        if (window) events.push_back("status " + Narrow(text));
    }
    void ShowProgress(int32_t position, int32_t range) override {
        if (window)
            events.push_back("progress " + std::to_string(position) + "/" + std::to_string(range));
        if (onProgress) onProgress();
    }
    void ShowOutcome(SetupOutcome outcome) override {
        if (window) events.push_back("outcome " + std::to_string(static_cast<int>(outcome)));
    }
    bool ConfirmCancel() override {
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        progressEnabledAtQuestion = ProgressEnabled;
        events.push_back(yes ? "ask yes" : "ask no");
        return yes;
    }
    std::wstring ProductText(unsigned id) override { return L"text" + std::to_wstring(id); }
    std::optional<int32_t> DialogWindow() override { return window; }

    Events& events;
    std::deque<bool> answers;            // Yes/No, one per question asked
    std::function<void()> onProgress;    // what the user does when the bar moves
    std::optional<int32_t> window = 77;  // none: no record, nothing posted
    int32_t progressEnabledAtQuestion = -1;
};

// A program that answers "still active" to its first `activeReads` exit-code reads.
struct Script {
    int activeReads = 0;
    uint32_t exitCode = 0;
    bool unreadable = false;  // the exit code cannot be read at all
};

struct System : SystemServices {
    explicit System(Events& events) : events(events) {}

    struct Process : ChildProcess {
        Process(Script script, Events& events) : script(script), events(events) {}
        bool ExitCode(uint32_t& code, uint32_t& error) override {
            if (script.unreadable) {
                error = 6;
                return false;
            }
            code = terminated ? 0 : reads++ < script.activeReads ? kStillActive : script.exitCode;
            return true;
        }
        void Wait(uint32_t ms) override { events.push_back("wait " + std::to_string(ms)); }
        void Terminate() override {
            terminated = true;
            events.push_back("terminate");
        }
        Script script;
        Events& events;
        int reads = 0;
        bool terminated = false;
    };

    std::unique_ptr<ChildProcess> StartProcess(const std::wstring& commandLine, bool inherit,
                                               uint32_t& error) override {
        const std::string line = Narrow(commandLine);
        events.push_back(std::string(inherit ? "start+inherit " : "start ") + line);
        if (onStart) onStart(line);
        std::optional<Script> script = this->script;
        for (const auto& [word, scripted] : scriptsByWord)
            if (line.find(word) != std::string::npos) script = scripted;
        if (!script) {
            error = 2;
            return nullptr;
        }
        return std::make_unique<Process>(*script, events);
    }
    void Pause(uint32_t ms) override { events.push_back("pause " + std::to_string(ms)); }
    uint32_t OpenProductKey() override { return keyError; }
    uint32_t ReadProductValue(const wchar_t* name, std::wstring& value) override {
        const auto found = values.find(name);
        if (found == values.end()) return 2;
        value = found->second;
        return 0;
    }
    std::wstring ErrorText(uint32_t code) override {
        return L"<system text " + std::to_wstring(code) + L">";
    }

    Events& events;
    std::optional<Script> script;  // none: the program cannot be started (error 2)
    // The scripts of the command lines that hold a word; the others get `script`.
    std::vector<std::pair<std::string, std::optional<Script>>> scriptsByWord;
    std::function<void(const std::string&)> onStart;  // what the user does when a program starts
    uint32_t keyError = 0;
    std::map<std::wstring, std::wstring> values = {
        {L"InstallPath", L"C:\\Programs\\Tellura"},
        {L"CmdLine", L"\"C:\\Programs\\Tellura\\Ventrola.exe\" -id {0}"}};
};

// The process-wide counters as a fresh run has them.
inline void ResetRunState() {
    CancelRequests = 0;
    ProgressEnabled = 1;
    ProgressStep = 0;
    AskBeforeCancel = true;
    AskBeforeCancelExpand = true;
}

}  // namespace fakes
