#include "installation.h"

#include <psapi.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>

#include "tests/tools/product_stand_ins/stand_in.h"
#include "tests/tools/ui_driver/ui_driver.h"
#include "tests/win/support/win_test_support.h"
#include "tests/win/support/installed_packages.h"
#include "tests/win/support/log_lines.h"
#include "tests/win/support/resource_bytes.h"
#include "tests/unit/log_text.h"
#include "resources/resource_ids.h"

using namespace ui_driver;

namespace {

::testing::AssertionResult Failed(const std::string& what, const std::string& error) {
    return ::testing::AssertionFailure() << what << ": " << error;
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = text.find(from); at != std::wstring::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::wstring SignedSetupPath() {
    return WinePathFromVariable("ENGINE_PACKAGES") + L"\\TelluraSetup.exe";
}

LANGID CatalogueLanguage() {
    const LANGID ui = GetUserDefaultUILanguage();
    switch (PRIMARYLANGID(ui)) {
        case LANG_GERMAN:
        case LANG_SPANISH:
        case LANG_FRENCH:
        case LANG_ITALIAN:
            return MAKELANGID(PRIMARYLANGID(ui), SUBLANG_NEUTRAL);
        case LANG_JAPANESE:
            return MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
        default:
            return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    }
}

std::wstring CatalogueText(UINT id, LANGID language, const std::wstring& arg2) {
    std::wstring text = StringEntry(language, id).value_or(L"<missing>");
    ReplaceAll(text, L"%1", L"Tellura");
    ReplaceAll(text, L"%2", arg2);
    return text;
}

Installation::Installation(const std::wstring& name, const Scenario& scenario) {
    _folder = scenario.tempFolder.empty() ? MakeFreshFolder(name) : scenario.tempFolder;
    if (scenario.beforeStart) scenario.beforeStart(_folder);
    _records = MakeFreshFolder(name + L"_records");
    _served = WinePathFromVariable("LINKSERVER_WWW");
    // A run that was killed may have left the product behind; it would refuse this run.
    if (ProductKeyExists()) {
        const std::wstring packages = WinePathFromVariable("ENGINE_PACKAGES");
        for (const wchar_t* product : {L"\\Ventrola.msi", L"\\variants\\Ventrola_unregistered.msi",
                                       L"\\variants\\Ventrola_1.0.msi"})
            RunMsiexec(L"/x", packages + product);
    }
    Serve(scenario);
    // The product started by the desktop's shell writes down its call there.
    DeleteFileW((stand_in::DesktopRecordFolder() + L"\\application.txt").c_str());
    if (!scenario.installedFirst.empty()) {
        _installedFirst = WinePathFromVariable("ENGINE_PACKAGES") + L"\\variants\\" +
                          scenario.installedFirst;
        EXPECT_EQ(RunMsiexec(L"/i", _installedFirst), 0u) << Narrow(_installedFirst);
    }
    std::map<std::wstring, std::wstring> env = scenario.env;
    const char* linkServer = std::getenv("LINKSERVER_HOST");
    const std::string host = scenario.productCuts != 0 ? ServeCutting(scenario.productCuts)
                             : linkServer                ? linkServer
                                                         : "unset";
    env[L"Tellura_Server"] = std::wstring(host.begin(), host.end());
    env[L"TELLURA_STANDIN_RECORD"] = _records.substr(0, _records.size() - 1);
    _setup = std::make_unique<SetupProcess>(
        _folder, env, scenario.setupCopy.empty() ? SignedSetupPath() : scenario.setupCopy);
}

Installation::~Installation() {
    const std::wstring downloads = DownloadFolder();
    _setup.reset();  // ends a setup that is still running
    RemoveInstalledPackages(downloads);
    if (!_installedFirst.empty()) RunMsiexec(L"/x", _installedFirst);
    if (ProductKeyExists()) ADD_FAILURE() << "the product is still installed after the scenario";
}

void Installation::Serve(const Scenario& scenario) {
    const std::wstring packages = WinePathFromVariable("ENGINE_PACKAGES");
    for (const wchar_t* name :
         {L"InstallKVSoftwarePrerequisites_x86.msi", L"InstallKVSoftwarePrerequisites_x86_x64.msi",
          L"msxml6_x86.msi", L"msxml6_x64.msi", L"Windows6.0-KB941179-x86.msu",
          L"Windows6.0-KB941179-x64.msu", L"Ventrola.msi", L"Ventrola_VERSION.txt"}) {
        const auto variant = scenario.variants.find(name);
        const std::wstring source = variant == scenario.variants.end()
                                        ? packages + L"\\" + name
                                        : packages + L"\\variants\\" + variant->second;
        EXPECT_TRUE(CopyFileW(source.c_str(), (_served + L"\\" + name).c_str(), FALSE))
            << Narrow(source);
    }
    for (const wchar_t* fault : {L".throttle", L".trickle", L".whole"}) {
        const std::wstring marker = _served + L"\\" + fault;
        if (scenario.serverFault == fault) {
            WriteWholeFile(marker, "");
        } else {
            DeleteFileW(marker.c_str());
        }
    }
    if (scenario.productSize > 0) {
        HANDLE file = CreateFileW((_served + L"\\Ventrola.msi").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = scenario.productSize;
        EXPECT_TRUE(file != INVALID_HANDLE_VALUE &&
                    SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        CloseHandle(file);
    }
}

std::string Installation::ServeCutting(int cuts) {
    static const std::map<std::string, std::string> kLinks = {
        {"136696", "InstallKVSoftwarePrerequisites_x86.msi"},
        {"136697", "InstallKVSoftwarePrerequisites_x86_x64.msi"},
        {"136704", "msxml6_x86.msi"},
        {"136705", "msxml6_x64.msi"},
        {"136707", "Ventrola.msi"},
        {"136708", "Ventrola_VERSION.txt"}};
    auto cutsLeft = std::make_shared<std::atomic<int>>(cuts);
    const bool everyAfterFirst = cuts < 0;
    EXPECT_TRUE(_cutting.Start({}));
    _cutting.SetResponder([this, cutsLeft, everyAfterFirst](const std::string& request)
                              -> httptest::Reply {
        const std::string path = request.substr(4, request.find(' ', 4) - 4);
        const size_t id = path.find("LinkId=");
        if (id != std::string::npos) {
            const auto link = kLinks.find(path.substr(id + 7));
            if (link == kLinks.end()) return {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"};
            return {"HTTP/1.1 302 Found\r\nLocation: /" + link->second +
                    "\r\nContent-Length: 0\r\n\r\n"};
        }
        const std::string file =
            ReadWholeFile(_served + L"\\" + std::wstring(path.begin() + 1, path.end()));
        const size_t at = request.find("Range: bytes=");
        const size_t from = at == std::string::npos ? 0 : std::stoul(request.substr(at + 13));
        const size_t last = at == std::string::npos
                                ? file.size() - 1
                                : std::stoul(request.substr(request.find('-', at + 13) + 1));
        if (file.empty() || from >= file.size())
            return {"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n"};
        const std::string body = file.substr(from, std::min(last + 1, file.size()) - from);
        const std::string head =
            "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nContent-Range: bytes " + std::to_string(from) + "-" +
            std::to_string(from + body.size() - 1) + "/" + std::to_string(file.size()) +
            "\r\n\r\n";
        const bool cut = path == "/Ventrola.msi" &&
                         (everyAfterFirst ? from > 0 : cutsLeft->fetch_sub(1) > 0);
        if (cut) return {head + body.substr(0, body.size() / 2), true};
        return {head + body};
    });
    return "127.0.0.1:" + std::to_string(_cutting.Port());
}

void Installation::RemoveInstalledPackages(const std::wstring& downloads) {
    // Every package the log says was downloaded may have been installed.
    const std::wstring prefix = L"Downloading " + downloads;
    for (const std::string& bytes : Log()) {
        const std::wstring line = ReadLogText(bytes);
        if (line.rfind(prefix, 0) != 0) continue;
        const std::wstring name = line.substr(prefix.size(), line.find(L" from ") - prefix.size());
        if (name.size() < 4 || name.substr(name.size() - 4) != L".msi") continue;
        RunMsiexec(L"/x", _served + L"\\" + name);
    }
}

::testing::AssertionResult Installation::Install() {
    if (!_setup->Started()) return ::testing::AssertionFailure() << "the setup did not start";
    const std::wstring caption = CatalogueText(IDS_CAPTION, CatalogueLanguage());
    const Result<HWND> warning = WaitForMessageBox(&caption, 60000);
    if (!warning) return Failed("no test-server warning", warning.error);
    if (const Result<Done> ok = PressButton(*warning.value, IDOK); !ok)
        return Failed("warning", ok.error);
    const Result<HWND> dialog = WaitForDialog(60000);
    if (!dialog) return Failed("no dialog", dialog.error);
    _dialog = *dialog.value;
    if (const Result<Done> r = SetChecked(_dialog, IDC_ACCEPT_BOX, true); !r)
        return Failed("accept", r.error);
    if (const Result<Done> r = PressButton(_dialog, IDC_INSTALL); !r)
        return Failed("Install", r.error);
    // The bar shows, or a run that fails at once has shown its outcome already.
    const std::wstring close = CatalogueText(IDS_CLOSE, CatalogueLanguage());
    const bool installing = WaitUntil([&] {
        const Result<ControlState> bar = ReadControl(_dialog, IDC_PROGRESS);
        const Result<ControlState> cancel = ReadControl(_dialog, IDCANCEL);
        return (bar && bar.value->visible) || (cancel && cancel.value->text == close);
    });
    return installing ? ::testing::AssertionSuccess() : Failed("Install", "no progress bar");
}

::testing::AssertionResult Installation::WaitForStatus(const std::wstring& text, DWORD timeoutMs) {
    std::wstring last;
    const bool shown = WaitUntil(
        [&] {
            const Result<ControlState> line = ReadControl(_dialog, IDC_STATUS_LINE);
            last = line ? line.value->text : L"";
            return last == text;
        },
        std::chrono::milliseconds(timeoutMs));
    if (shown) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "status line \"" << Narrow(last) << "\" instead of \"" << Narrow(text) << "\"\n"
           << LogText();
}

::testing::AssertionResult Installation::PressCancel() {
    const Result<Done> pressed = PressButton(_dialog, IDCANCEL);
    return pressed ? ::testing::AssertionSuccess() : Failed("Cancel", pressed.error);
}

::testing::AssertionResult Installation::AnswerCancelQuestion(bool yes) {
    const std::wstring caption = CatalogueText(IDS_CAPTION, CatalogueLanguage());
    const Result<HWND> question = WaitForMessageBox(&caption, 60000);
    if (!question) return Failed("no cancel question", question.error + "\n" + LogText());
    const Result<ControlState> text = ReadControl(*question.value, kMessageBoxTextId);
    const std::wstring expected = CatalogueText(IDS_CONFIRM_CANCEL, CatalogueLanguage());
    if (!text || text.value->text != expected)
        return ::testing::AssertionFailure()
               << "question \"" << (text ? Narrow(text.value->text) : text.error) << "\"";
    const Result<Done> answered = PressButton(*question.value, yes ? IDYES : IDNO);
    if (!answered) return Failed("answer", answered.error);
    const Result<Done> gone = WaitForWindowGone(*question.value, 20000);
    return gone ? ::testing::AssertionSuccess() : Failed("question still open", gone.error);
}

std::wstring Installation::WaitForOutcome(DWORD timeoutMs) {
    // Cancel becomes Close once the outcome is shown.
    const std::wstring close = CatalogueText(IDS_CLOSE, CatalogueLanguage());
    const bool ended = WaitUntil(
        [&] {
            const Result<ControlState> cancel = ReadControl(_dialog, IDCANCEL);
            return cancel && cancel.value->text == close;
        },
        std::chrono::milliseconds(timeoutMs));
    if (!ended) return L"<no outcome>";
    // The worker writes its exit line just after it posts the outcome.
    WaitUntil([&] {
        for (const std::string& line : Log())
            if (line.rfind("OUT->ThreadDownloadInstall () ", 0) == 0) return true;
        return false;
    });
    const Result<ControlState> failure = ReadControl(_dialog, IDC_FAILURE_TEXT);
    if (failure && failure.value->visible) return failure.value->text;
    const Result<ControlState> status = ReadControl(_dialog, IDC_STATUS_LINE);
    return status ? status.value->text : L"<no status line>";
}

::testing::AssertionResult Installation::Close() {
    if (const Result<Done> r = PressButton(_dialog, IDCANCEL); !r) return Failed("Close", r.error);
    if (!_setup->WaitForExit(60000))
        return ::testing::AssertionFailure() << "the setup did not end";
    return ::testing::AssertionSuccess();
}

std::vector<std::string> Installation::Log() const { return LogLines(LogPath()); }

std::string Installation::LogText() const {
    std::string text = "log:\n";
    for (const std::string& line : Log()) text += "  " + line + "\n";
    return text;
}

std::wstring Installation::DownloadFolder() const {
    const std::wstring logged = L"Temporary folder : ";
    for (const std::string& bytes : Log()) {
        const std::wstring line = ReadLogText(bytes);
        if (line.rfind(logged, 0) == 0) return line.substr(logged.size());
    }
    return _folder + L"KST" + std::to_wstring(_setup ? _setup->Id() : 0) + L"\\";
}

std::string Installation::Url(int linkId) const {
    const char* host = std::getenv("LINKSERVER_HOST");
    return "http://" + std::string(host ? host : "") + "/fwlink/?LinkId=" + std::to_string(linkId);
}

bool Installation::FolderExists(const std::wstring& folder) const {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Installation::Recorded(const wchar_t* program) const {
    const std::string recorded = ReadWholeFile(_records + program + L".txt");
    if (recorded != "<missing>") return recorded;
    return ReadWholeFile(stand_in::DesktopRecordFolder() + L"\\" + program + L".txt");
}

bool Installation::ProductKeyExists() const {
    HKEY key = nullptr;
    // Read as the setup reads it: a 32-bit program, redirected on 64-bit Windows.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvath\\Ventrola", 0, KEY_READ, &key) != 0)
        return false;
    RegCloseKey(key);
    return true;
}

size_t Installation::PeakMemory() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!_setup || !GetProcessMemoryInfo(_setup->Handle(), &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize;
}

bool Installation::CancelEnabled() const {
    const Result<ControlState> cancel = ReadControl(_dialog, IDCANCEL);
    return cancel && cancel.value->enabled;
}
