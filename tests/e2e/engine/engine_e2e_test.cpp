// The whole job of the real setup under Wine: download from the link server, signature check,
// silent installs, the product's programs, the outcome, the clean-up, the product's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "engine/package_download.h"
#include "installation.h"
#include "resources/resource_ids.h"
#include "tests/tools/product_stand_ins/stand_in.h"
#include "tests/win/support/installed_packages.h"
#include "tests/win/support/log_lines.h"
#include "tests/win/support/win_test_support.h"
#include "tests/unit/log_text.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

bool RunsOnWow64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 == TRUE;
}

std::string ProgramFiles() {
    return RunsOnWow64() ? "C:\\Program Files (x86)\\Tellura" : "C:\\Program Files\\Tellura";
}

#define EXPECT_LOG_IN_ORDER(run, ...) \
    EXPECT_TRUE(LogHasInOrder((run).Log(), {__VA_ARGS__})) << (run).LogText()

int Occurrences(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

// The Unix name of a Windows path, through Wine's own export.
std::wstring UnixName(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = convert ? convert(path.c_str()) : nullptr;
    if (!name) return L"";
    const std::wstring wide(name, name + strlen(name));
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

// A symbolic link as any process of the user can make one; Wine's CreateSymbolicLinkW makes
// nothing, so ln makes it.
void PlantSymbolicLink(const std::wstring& folder, const std::wstring& name,
                       const std::wstring& target) {
    // -n -f: a link an earlier run left at the name is replaced, not entered.
    std::wstring command = L"Z:\\bin\\ln -sfn \"" + UnixName(target) + L"\" \"" +
                           UnixName(folder) + L"/" + name + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// The log read back as the text that was logged.
std::vector<std::wstring> ReadBack(const Installation& run) {
    std::vector<std::wstring> read;
    for (const std::string& line : run.Log()) read.push_back(ReadLogText(line));
    return read;
}


// The system's msiexec replaced by the busy stand-in for the life of the object, the real one
// kept beside it. Wine starts a program of the system folder as its built-in one unless the
// prefix's DLL overrides say native; without TELLURA_STANDIN_BUSY_PACKAGE the stand-in only
// passes each call on, so one a killed run leaves in place harms no later run.
class BusyMsiexec {
  public:
    BusyMsiexec() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        _msiexec = std::wstring(system) + L"\\msiexec.exe";
        _real = std::wstring(system) + L"\\" + stand_in::kRealMsiexec;
        if (GetFileAttributesW(_real.c_str()) == INVALID_FILE_ATTRIBUTES) {
            EXPECT_TRUE(CopyFileW(_msiexec.c_str(), _real.c_str(), TRUE));
        }
        EXPECT_TRUE(CopyFileW(WinePath(L"" TELLURA_BUSY_MSIEXEC).c_str(), _msiexec.c_str(), FALSE));
        const LONG opened =
            RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &_overrides, nullptr);
        EXPECT_EQ(opened, ERROR_SUCCESS);
        if (opened != ERROR_SUCCESS) return;
        EXPECT_EQ(RegSetValueExW(_overrides, L"msiexec.exe", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(L"native"), sizeof(L"native")),
                  ERROR_SUCCESS);
    }
    ~BusyMsiexec() {
        if (_overrides) {
            RegDeleteValueW(_overrides, L"msiexec.exe");
            RegCloseKey(_overrides);
        }
        EXPECT_TRUE(CopyFileW(_real.c_str(), _msiexec.c_str(), FALSE));
        DeleteFileW(_real.c_str());
    }
    BusyMsiexec(const BusyMsiexec&) = delete;
    BusyMsiexec& operator=(const BusyMsiexec&) = delete;

  private:
    HKEY _overrides = nullptr;
    std::wstring _msiexec;
    std::wstring _real;
};

}  // namespace

// Nothing but the runtime prerequisites is missing: they and the product are installed, the
// product's programs run, and Close starts the product with its launch identifier.
TEST(Engine, HappyPath) {
    Installation run(L"e2e_happy", WithEnvironment({{L"Appli_LaunchId", L"ID-2026"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    EXPECT_TRUE(run.ProductKeyExists());
    ASSERT_TRUE(run.Close());

    const bool x64 = RunsOnWow64();
    const std::string kst = Narrow(run.DownloadFolder());
    const std::string temp = kst.substr(0, kst.find("KST"));
    const std::string prereqs = x64 ? "InstallKVSoftwarePrerequisites_x86_x64.msi"
                                    : "InstallKVSoftwarePrerequisites_x86.msi";
    const std::string bin = ProgramFiles() + "\\code\\bin\\";
    const std::string window = std::to_string(reinterpret_cast<intptr_t>(run.Dialog()));
    EXPECT_LOG_IN_ORDER(
        run, "IN->ThreadDownloadInstall ()", "Temporary folder : " + kst, "IN->DownloadPrereqs ()",
        "Downloading " + kst + prereqs + " from " + run.Url(x64 ? 136697 : 136696),
        "Downloading VC8 prerequisites...", "OUT->DownloadPrereqs ()  OK", "IN-> IsPackageSigned()",
        "OUT-> IsPackageSigned() OK", "IN->InstallMSI ()",
        "msiexec /norestart /i " + kst + prereqs + " /q /l* " + temp + prereqs + ".log",
        "Installer exit code = 0 (success)", "OUT->InstallMSI () OK",
        "Downloading " + kst + "Ventrola.msi from " + run.Url(136707),
        "Downloading Tellura installer...", "OUT->DownloadPrereqs ()  OK",
        "OUT-> IsPackageSigned() OK",
        "msiexec /norestart /i " + kst + "Ventrola.msi  BOOTSTRAP=1 /q /l* " + temp +
            "Ventrola.msi.log",
        "OUT->InstallMSI () OK", "IN->IsInstalled ()", "Installed Version: 1.0.12",
        "IN->ExpandTextures::Expand ()", ProgramFiles(),
        "\"" + bin + "QELTexturesGeneration.exe\" -p  \"" + ProgramFiles() + "\" -hWnd " + window,
        "OUT->ExpandTextures::Expand () OK", "IN->LaunchGraphicOptimizer ()",
        "\"" + bin +
            "QELSTART.exe\" -run \"ZRMGraphicsOptimizerApplication\" -env Tellura -direnv \"" +
            ProgramFiles() + "QELEnv\" -nowindow",
        "OUT->LaunchGraphicOptimizer OK", "OUT->ThreadDownloadInstall () OK ", "IDOK",
        "launch = \"" + bin + "Ventrola.exe\" -id  ID-2026 ",
        "End bootstrap setup for Tellura installation");
    EXPECT_TRUE(HasLineStarting(run.Log(), "Publisher: Tellura Test Signer ")) << run.LogText();
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
    // The product is started, not waited for; a new process under a busy Wine may take seconds.
    EXPECT_TRUE(WaitUntil([&] { return run.Recorded(L"application") != "<missing>"; },
                          std::chrono::milliseconds(30000)));
    EXPECT_EQ(run.Recorded(L"application"), "\"" + bin + "Ventrola.exe\" -id  ID-2026 \n");
    EXPECT_NE(run.Recorded(L"texture_tool").find("window: the dialog"), std::string::npos);
    EXPECT_NE(run.Recorded(L"optimizer").find("ended by itself"), std::string::npos);
}

// From its check until its installer has ended, no other process of the user can write to the
// package, rename it or delete it; and that installer is the system's msiexec, not the file of
// that name planted beside the setup.
TEST(Engine, VerifiedPackageStaysUnchangedForTheSystemsInstaller) {
    const std::wstring folder = MakeFreshFolder(L"e2e_planted_msiexec");
    Scenario planted;
    planted.setupCopy = folder + L"TelluraSetup.exe";
    ASSERT_TRUE(CopyFileW(SignedSetupPath().c_str(), planted.setupCopy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(WinePath(L"" TELLURA_PLANTED_DLL).c_str(),
                          (folder + L"msiexec.exe").c_str(), FALSE));
    Installation run(L"e2e_held", planted);
    ASSERT_TRUE(run.Install());
    ASSERT_TRUE(run.WaitForStatus(CatalogueText(IDS_INSTALLING_PRODUCT, kEnglish)));
    const std::wstring package = run.DownloadFolder() + L"Ventrola.msi";
    const HANDLE writer =
        CreateFileW(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(MoveFileW(package.c_str(), (package + L".old").c_str()));
    EXPECT_FALSE(DeleteFileW(package.c_str()));
    // The product's installer had not ended yet: only the prerequisites' exit code is logged.
    EXPECT_EQ(Occurrences(run.Log(), "Installer exit code = 0 (success)"), 1) << run.LogText();
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    ASSERT_TRUE(run.Close());
}

TEST(Engine, UnsignedProductIsNeverInstalled) {
    Installation run(L"e2e_unsigned", WithProduct(L"Ventrola_unsigned.msi"));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
    const std::vector<std::string> lines = run.Log();
    EXPECT_LOG_IN_ORDER(run, "Downloading Tellura installer...", "OUT->DownloadPrereqs ()  OK",
                        "IN-> IsPackageSigned()", "OUT-> IsPackageSigned() KO",
                        "OUT->ThreadDownloadInstall () KO ");
    EXPECT_EQ(Occurrences(lines, "IN->InstallMSI ()"), 1) << run.LogText();  // the prerequisites'
    EXPECT_FALSE(run.ProductKeyExists());
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
    ASSERT_TRUE(run.Close());
    EXPECT_LOG_IN_ORDER(run, "IDCANCEL", "End bootstrap setup for Tellura installation");
}

// A signed setup installs only its own publisher's packages: another certificate's product is
// refused, and the user's environment cannot switch the check off.
TEST(Engine, AnotherPublishersProductIsNeverInstalled) {
    for (const bool skipAsked : {false, true}) {
        SCOPED_TRACE(skipAsked ? "NO_CHECK_PACKAGE_SIGNED set" : "no variable");
        Scenario other = WithProduct(L"Ventrola_other_publisher.msi");
        if (skipAsked) other.env[L"NO_CHECK_PACKAGE_SIGNED"] = L"1";
        Installation run(L"e2e_other_publisher", other);
        ASSERT_TRUE(run.Install());
        EXPECT_EQ(run.WaitForOutcome(),
                  CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
        const std::vector<std::string> lines = run.Log();
        EXPECT_TRUE(HasLineStarting(lines, "Publisher: Tellura Test Signer ")) << run.LogText();
        EXPECT_TRUE(HasLineStarting(lines, "Package signer refused: Another Publisher "))
            << run.LogText();
        EXPECT_EQ(Occurrences(lines, "NO_CHECK_PACKAGE_SIGNED is ignored: the setup is signed"),
                  skipAsked ? 2 : 0)
            << run.LogText();
        EXPECT_LOG_IN_ORDER(run, "Downloading Tellura installer...", "IN-> IsPackageSigned()",
                            "OUT-> IsPackageSigned() KO", "OUT->ThreadDownloadInstall () KO ");
        EXPECT_FALSE(run.ProductKeyExists());
        ASSERT_TRUE(run.Close());
    }
}

// Links planted where any process of the user can plant them, at the setup's log, at the
// product installer's log and at the download folder's name once the setup's process id shows:
// the setup writes files of its own instead, makes its folder under another name, and nothing
// the links point to changes. (Wine deletes a symbolic link's target where Windows deletes the
// link, so the files' links are hard links here.)
TEST(Engine, PlantedLinksAreNeverFollowed) {
    const std::wstring victims = MakeFreshFolder(L"e2e_victims");
    const std::pair<const wchar_t*, const char*> files[] = {
        {L"KSTInstall.log", "someone's log\r\n"},
        {L"Ventrola.msi.log", "someone's installer log\r\n"},
        {L"Ventrola.msi", "someone's package\r\n"}};
    for (const auto& [name, text] : files) WriteWholeFile(victims + name, text);
    Scenario planted;
    planted.beforeStart = [&](const std::wstring& temp) {
        for (const wchar_t* name : {L"KSTInstall.log", L"Ventrola.msi.log"})
            ASSERT_TRUE(CreateHardLinkW((temp + name).c_str(), (victims + name).c_str(), nullptr));
    };
    Installation run(L"e2e_planted_links", planted);
    const std::wstring kst = L"KST" + std::to_wstring(run.ProcessId());
    PlantSymbolicLink(run.TempFolder(), kst, victims);
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    ASSERT_TRUE(run.Close());

    EXPECT_LOG_IN_ORDER(run, "Temporary folder : " + Narrow(run.TempFolder() + kst) + "-1\\");
    for (const auto& [name, text] : files) EXPECT_EQ(ReadWholeFile(victims + name), text);
    WIN32_FIND_DATAW entry;
    int count = 0;
    const HANDLE search = FindFirstFileW((victims + L"*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do count += entry.cFileName[0] != L'.';
        while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
}

// A temporary folder too long for the packages' paths ends the run before any download, and
// nothing is written in the current folder. One of 230 characters still takes the log, which
// says why; Wine, as Windows' own limit has it, gives no temporary folder of 1,100 at all, and
// then there is no log.
TEST(Engine, TooLongTemporaryFolderEndsTheRun) {
    for (const size_t length : {230u, 1100u}) {
        SCOPED_TRACE(length);
        std::wstring temp = L"\\\\?\\" + MakeFreshFolder(L"e2e_long");
        while (temp.size() < length + 4) {
            temp += std::wstring(std::min<size_t>(200, length + 3 - temp.size()), L'l') + L"\\";
            CreateDirectoryW(temp.c_str(), nullptr);
        }
        Scenario longTemp;
        longTemp.tempFolder = temp.substr(4);
        Installation run(L"e2e_long", longTemp);
        ASSERT_TRUE(run.Install());
        const bool logged = length < MAX_PATH;
        EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish,
                                                      logged ? run.LogPath() : L""));
        ASSERT_TRUE(run.Close());
        if (logged) {
            EXPECT_LOG_IN_ORDER(run, "IN->ThreadDownloadInstall ()",
                                "The temporary folder's path is too long for the packages: " +
                                    Narrow(longTemp.tempFolder),
                                "OUT->ThreadDownloadInstall () KO ");
            EXPECT_EQ(Occurrences(run.Log(), "IN->DownloadPrereqs ()"), 0);
        }
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(GetFileAttributesW((std::wstring(current) + L"\\KSTInstall.log").c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
}

TEST(Engine, ProductThatRegistersNothingFails) {
    Installation run(L"e2e_unregistered", WithProduct(L"Ventrola_unregistered.msi"));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
    EXPECT_LOG_IN_ORDER(run, "OUT->InstallMSI () OK", "IN->IsInstalled ()",
                        "OUT->ThreadDownloadInstall () KO ");
    EXPECT_FALSE(LogHas(run.Log(), "IN->ExpandTextures::Expand ()"));
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
    ASSERT_TRUE(run.Close());
}

// Cancel while a prerequisite downloads, from a slow server and from one that trickles a few
// bytes a second: the question comes within the piece, No goes on, Yes stops with nothing
// installed.
TEST(Engine, CancelDuringAPrerequisiteDownload) {
    const struct {
        const wchar_t* fault;
        std::vector<bool> answers;
    } servers[] = {{L".throttle", {false, true}}, {L".trickle", {true}}};
    for (const auto& server : servers) {
        SCOPED_TRACE(Narrow(server.fault));
        Scenario slow;
        slow.serverFault = server.fault;
        Installation run(L"e2e_cancel" + std::wstring(server.fault), slow);
        ASSERT_TRUE(run.Install());
        ASSERT_TRUE(run.WaitForStatus(CatalogueText(IDS_DOWNLOADING_VC8, kEnglish)));
        for (const bool yes : server.answers) {
            ASSERT_TRUE(run.PressCancel());
            ASSERT_TRUE(run.AnswerCancelQuestion(yes));
        }
        EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INTERRUPTED, kEnglish, run.LogPath()));
        const std::vector<std::string> lines = run.Log();
        EXPECT_EQ(Occurrences(lines, "CANCEL APPLI"), static_cast<int>(server.answers.size()))
            << run.LogText();
        EXPECT_LOG_IN_ORDER(run, "IN->DownloadPrereqs ()",
                            "Setup was interrupted by user during download of " + run.Url(136696),
                            "OUT->DownloadPrereqs () CANCEL",
                            "OUT->ThreadDownloadInstall () CANCEL ");
        EXPECT_FALSE(LogHas(lines, "IN->InstallMSI ()"));
        EXPECT_FALSE(LogHas(lines, "IN->RemoveMSI ()"));
        EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
        ASSERT_TRUE(run.Close());
    }
}

// A gigabyte sent for a 512 KiB range is refused without being held in memory.
TEST(Engine, GigabyteAnswerToARange) {
    Scenario huge;
    huge.serverFault = L".whole";
    huge.env[L"NO_CHECK_PACKAGE_SIGNED"] = L"1";
    huge.productSize = int64_t{1} << 30;
    Installation run(L"e2e_huge", huge);
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
    EXPECT_LOG_IN_ORDER(run, "Setup failed - 524289  downloaded bytes > 524288 asked bytes",
                        "OUT->DownloadPrereqs () KO");
    const size_t peak = run.PeakMemory();
    EXPECT_GT(peak, size_t{1} << 20);  // the counter is read at all
    EXPECT_LT(peak, size_t{200} << 20);
    std::printf("peak working set with a gigabyte answer: %zu KiB\n", peak >> 10);
    ASSERT_TRUE(run.Close());
}

// With one connection the product's pieces are asked for as ever: the link, then the file, for
// each piece in turn, all on one connection (the link server's access log).
TEST(Engine, OneConnectionAsksPieceAfterPiece) {
    Scenario one;
    one.env[L"Tellura_Connections"] = L"1";
    one.env[L"NO_CHECK_PACKAGE_SIGNED"] = L"1";
    one.productSize = 3 * kPieceSize + 1000;
    const std::wstring accessLog = WinePathFromVariable("LINKSERVER_LOG");
    const size_t earlier = ReadWholeFile(accessLog).size();  // the group's other scenarios
    Installation run(L"e2e_one_connection", one);
    ASSERT_TRUE(run.Install());
    run.WaitForOutcome();
    EXPECT_LOG_IN_ORDER(run, "Downloading Tellura installer...", "OUT->DownloadPrereqs ()  OK");
    std::vector<std::string> asked;  // the product's requests: connection, path, status, range
    std::istringstream log(ReadWholeFile(accessLog).substr(earlier));
    for (std::string line; std::getline(log, line);) {
        if (line.find("136707") == std::string::npos &&
            line.find("/Ventrola.msi ") == std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string connection, count, verb, path, version, via, status, range;
        fields >> connection >> count >> verb >> path >> version >> via >> status >> range;
        asked.push_back(connection + " " + path + " " + status + " " + range);
    }
    std::vector<std::string> expected;
    const std::string connection = asked.empty() ? "" : asked[0].substr(0, asked[0].find(' '));
    for (int64_t from = 0; from < one.productSize; from += kPieceSize) {
        const int64_t last = std::min(from + kPieceSize - 1, one.productSize - 1);
        const std::string range = "bytes=" + std::to_string(from) + "-" + std::to_string(last);
        expected.push_back(connection + " /fwlink/?LinkId=136707 302 " + range);
        expected.push_back(connection + " /Ventrola.msi 206 " + range);
    }
    EXPECT_EQ(asked, expected);
    ASSERT_TRUE(run.Close());
}

// Run with a German user interface and MSXML 6 switched off for the whole process (Wine takes
// both from the environment the test is started with): the MSXML package is installed too, and
// the product gets the German transform. (Wine's installer ignores a transform the package lacks.)
TEST(Engine, GermanUserInterfaceWithMsxmlMissing) {
    ASSERT_EQ(CatalogueLanguage(), MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL))
        << "run with LC_ALL=de_DE.UTF-8";
    Installation run(L"e2e_german", {});
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, CatalogueLanguage()));
    const std::string kst = Narrow(run.DownloadFolder());
    EXPECT_LOG_IN_ORDER(run, " Prereqs MSXML KO",
                        "Downloading " + kst + "msxml6_x86.msi from " + run.Url(136704),
                        "msiexec /norestart /i " + kst +
                            "Ventrola.msi  BOOTSTRAP=1 TRANSFORMS=\":de-de.mst\" /q /l* " +
                            kst.substr(0, kst.find("KST")) + "Ventrola.msi.log",
                        "OUT->ThreadDownloadInstall () OK ");
    ASSERT_TRUE(run.Close());
}

// Cancel confirmed while the product installs: the installer finishes, then the product goes.
TEST(Engine, CancelWhileTheProductInstallsRemovesIt) {
    Installation run(L"e2e_cancel_product", {});
    ASSERT_TRUE(run.Install());
    ASSERT_TRUE(run.WaitForStatus(CatalogueText(IDS_INSTALLING_PRODUCT, kEnglish)));
    ASSERT_TRUE(run.PressCancel());
    ASSERT_TRUE(run.AnswerCancelQuestion(true));
    // The "Cancel in progress..." status arrives while the cancel is counted: Cancel is disabled.
    EXPECT_TRUE(WaitUntil([&] { return !run.CancelEnabled(); }));
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INTERRUPTED, kEnglish, run.LogPath()));
    const std::string kst = Narrow(run.DownloadFolder());
    EXPECT_LOG_IN_ORDER(
        run, "Setup was interrupted by user after " + kst + "Ventrola.msi installation",
        "OUT->InstallMSI () CANCEL", "IN->RemoveMSI ()", "msiexec /x " + kst + "Ventrola.msi /q",
        "OUT->RemoveMSI () OK", "OUT->ThreadDownloadInstall () CANCEL ");
    EXPECT_FALSE(LogHas(run.Log(), "IN->IsInstalled ()"));
    EXPECT_FALSE(run.ProductKeyExists());
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
    ASSERT_TRUE(run.Close());
}

TEST(Engine, TextureToolEndingWithTwoRemovesTheProduct) {
    Installation run(L"e2e_texture_cancel",
                     WithEnvironment({{L"TELLURA_STANDIN_TEXTURE_EXIT", L"2"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INTERRUPTED, kEnglish, run.LogPath()));
    EXPECT_LOG_IN_ORDER(run, "OUT->ExpandTextures::Expand () CANCEL", "IN->RemoveMSI ()",
                        "OUT->RemoveMSI () OK", "OUT->ThreadDownloadInstall () CANCEL ");
    EXPECT_FALSE(run.ProductKeyExists());
    ASSERT_TRUE(run.Close());
}

TEST(Engine, FailingTextureToolLeavesTheProductInstalled) {
    Installation run(L"e2e_texture_fails",
                     WithEnvironment({{L"TELLURA_STANDIN_TEXTURE_EXIT", L"3"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_FAILED, kEnglish, run.LogPath()));
    EXPECT_LOG_IN_ORDER(run, "OUT->ExpandTextures::Expand ()KO",
                        "OUT->ThreadDownloadInstall () KO ");
    EXPECT_FALSE(LogHas(run.Log(), "IN->LaunchGraphicOptimizer ()"));
    EXPECT_TRUE(run.ProductKeyExists());
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
    ASSERT_TRUE(run.Close());
}

// Skipped textures still leave the optimizer to run, and the setup succeeds. (The optimizer
// stopped at its time limit is the engine's Windows suite's, with a short limit.)
TEST(Engine, SkippedTexturesStillRunTheOptimizer) {
    Installation run(L"e2e_optimizer", WithEnvironment({{L"TLR_NOEXPAND", L"1"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    EXPECT_LOG_IN_ORDER(run, "Expand of textures is skipped because variable TLR_NOEXPAND is set",
                        "IN->LaunchGraphicOptimizer ()", "OUT->LaunchGraphicOptimizer OK",
                        "OUT->ThreadDownloadInstall () OK ");
    EXPECT_EQ(run.Recorded(L"texture_tool"), "<missing>");
    ASSERT_TRUE(run.Close());
}

// Vista with MSXML missing (run beside the German case): the hot fix goes through the update
// installer. Wine's wusa.exe always ends with 1, a failure, so the run stops there as it would
// on Windows for a hot fix that fails.
TEST(Engine, VistaGetsTheMsxmlHotfix) {
    ASSERT_TRUE(SetWineVersion(L"vista"));
    Installation run(L"e2e_vista", {});
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(),
              CatalogueText(IDS_DOWNLOAD_FAILED, CatalogueLanguage(), run.LogPath()));
    SetWineVersion(L"");
    const std::string kst = Narrow(run.DownloadFolder());
    EXPECT_LOG_IN_ORDER(
        run, "Downloading " + kst + "Windows6.0-KB941179-x86.msu from " + run.Url(110924),
        "wusa.exe /quiet /norestart " + kst + "Windows6.0-KB941179-x86.msu",
        "Installer exit code = 1", "OUT->InstallMSI () KO", "OUT->ThreadDownloadInstall () KO ");
    ASSERT_TRUE(run.Close());
}

// A user whose temporary folder holds blanks, accents and Japanese: the run installs, its log
// names the folders so that they read back exactly, and the downloads are gone afterwards.
TEST(Engine, TemporaryFolderBeyondAsciiInstallsLogsAndCleansUp) {
    Installation run(L"J\u00fcrgen M\u00fcller \u6771\u4eac", {});
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    EXPECT_TRUE(run.ProductKeyExists());
    ASSERT_TRUE(run.Close());

    std::vector<std::wstring> read;
    for (const std::string& line : run.Log()) read.push_back(ReadLogText(line));
    const std::wstring downloads =
        run.TempFolder() + L"KST" + std::to_wstring(run.ProcessId()) + L"\\";
    EXPECT_NE(std::find(read.begin(), read.end(), L"Temporary folder : " + downloads), read.end())
        << run.LogText();
    EXPECT_FALSE(run.FolderExists(downloads));
}

// A flaky line: the product's answer cut off once is asked again and the run installs; with
// every piece after the first cut off, the download fails within a minute of the first cut,
// after three retries.
TEST(Engine, ProductCutOffOnceInstallsAndCutEveryTimeFails) {
    {
        Scenario once;
        once.productCuts = 1;
        Installation run(L"e2e_cut_once", once);
        ASSERT_TRUE(run.Install());
        EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
        EXPECT_LOG_IN_ORDER(run, "Piece at 0: connection lost; asking again in 1 s (1 of 3)",
                            "OUT->DownloadPrereqs ()  OK", "OUT->ThreadDownloadInstall () OK ");
        ASSERT_TRUE(run.Close());
    }
    Scenario always;
    always.productCuts = -1;
    Installation run(L"e2e_cut_always", always);
    ASSERT_TRUE(run.Install());
    ASSERT_TRUE(WaitUntil([&] { return LogHas(run.Log(), "Piece at 524288: connection lost; "
                                                         "asking again in 1 s (1 of 3)"); },
                          std::chrono::milliseconds(240000)));
    const DWORD firstCut = GetTickCount();
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
    EXPECT_LT(GetTickCount() - firstCut, 60000u);
    EXPECT_LOG_IN_ORDER(run, "Piece at 524288: connection lost; asking again in 4 s (3 of 3)",
                        "Piece at 524288: connection lost", "OUT->DownloadPrereqs () KO",
                        "OUT->ThreadDownloadInstall () KO ");
    ASSERT_TRUE(run.Close());
}

// An upgrade over 1.0 whose installer fails: 1.0 stays registered, and the run ends with the
// download failure's text instead of a success.
TEST(Engine, FailingUpgradeOverOneZero) {
    Scenario scenario = WithProduct(L"Ventrola_fails.msi");
    scenario.installedFirst = L"Ventrola_1.0.msi";
    Installation run(L"e2e_failing_upgrade", scenario);
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_DOWNLOAD_FAILED, kEnglish, run.LogPath()));
    EXPECT_LOG_IN_ORDER(run, "Installed Version: 1.0.0",
                        "Installer exit code = 1603 (fatal error during installation)",
                        "OUT->InstallMSI () KO", "OUT->ThreadDownloadInstall () KO ");
    EXPECT_FALSE(LogHas(run.Log(), "IN->IsInstalled ()"));
    ASSERT_TRUE(run.Close());
}

// Another installation holds the Windows Installer when the product's installer starts: the
// setup says so, starts it again 5 s later, and the run installs. Both starts reach the system
// folder's msiexec, here the stand-in.
TEST(Engine, ProductInstallerFindingAnotherInstallationStartsAgain) {
    BusyMsiexec busy;
    Installation run(L"e2e_busy",
                     WithEnvironment({{L"TELLURA_STANDIN_BUSY_PACKAGE", L"Ventrola.msi"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_TRUE(run.WaitForStatus(CatalogueText(IDS_INSTALLER_BUSY, kEnglish)));
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    EXPECT_TRUE(run.ProductKeyExists());
    ASSERT_TRUE(run.Close());

    const std::string kst = Narrow(run.DownloadFolder());
    const std::string install = "msiexec /norestart /i " + kst +
                                "Ventrola.msi  BOOTSTRAP=1 /q /l* " +
                                kst.substr(0, kst.find("KST")) + "Ventrola.msi.log";
    const std::string wait =
        "Another installation is in progress; starting the installer again in 5 s";
    EXPECT_LOG_IN_ORDER(run, install,
                        "Installer exit code = 1618 (another installation is already in progress)",
                        wait, "Installer exit code = 0 (success)", "OUT->InstallMSI () OK",
                        "IN->IsInstalled ()", "OUT->ThreadDownloadInstall () OK ");
    EXPECT_EQ(Occurrences(run.Log(), wait), 1) << run.LogText();
    const std::string calls = run.Recorded(L"msiexec");
    EXPECT_NE(calls.find(install + " -> 1618\n" + install + " -> 0\n"), std::string::npos) << calls;
}

// Program Files with blanks, accents and Japanese, as Wine's installer and shell read it from
// the registry (the group's prefix keeps it): the product installs there, its programs run from
// there and the product starts, the log names the path so that it reads back exactly, and the
// downloads are gone afterwards.
TEST(Engine, ProgramFilesBeyondAsciiInstallsRunsTheProgramsAndCleansUp) {
    const std::wstring programFiles = L"C:\\Program Files J\u00fcrgen M\u00fcller \u6771\u4eac";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0,
                            KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const LONG set = RegSetValueExW(
        key, L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(programFiles.c_str()),
        static_cast<DWORD>((programFiles.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ASSERT_EQ(set, ERROR_SUCCESS);
    // The disk check measures it before anything is installed there.
    CreateDirectoryW(programFiles.c_str(), nullptr);
    // As Windows sets it from the registry for every process.
    SetEnvironmentVariableW(L"ProgramFiles", programFiles.c_str());

    Installation run(L"e2e_program_files", WithEnvironment({{L"Appli_LaunchId", L"ID-2026"}}));
    ASSERT_TRUE(run.Install());
    EXPECT_EQ(run.WaitForOutcome(), CatalogueText(IDS_INSTALL_SUCCEEDED, kEnglish));
    ASSERT_TRUE(run.Close());

    const std::wstring product = programFiles + L"\\Tellura";
    const std::wstring bin = product + L"\\code\\bin\\";
    const std::wstring window = std::to_wstring(reinterpret_cast<intptr_t>(run.Dialog()));
    const std::wstring texture =
        L"\"" + bin + L"QELTexturesGeneration.exe\" -p  \"" + product + L"\" -hWnd " + window;
    const std::wstring optimizer = L"\"" + bin +
                                   L"QELSTART.exe\" -run \"ZRMGraphicsOptimizerApplication\" -env "
                                   L"Tellura -direnv \"" +
                                   product + L"QELEnv\" -nowindow";
    const std::wstring launch = L"\"" + bin + L"Ventrola.exe\" -id  ID-2026 ";
    EXPECT_TRUE(LogHasInOrder<std::wstring>(
        ReadBack(run),
        {L"IN->ExpandTextures::Expand ()", product, texture, L"OUT->ExpandTextures::Expand () OK",
         product, optimizer, L"OUT->LaunchGraphicOptimizer OK", L"launch = " + launch}))
        << run.LogText();
    EXPECT_EQ(run.Recorded(L"texture_tool"),
              Narrow(texture) + "\ninstall path: " + Narrow(product) + "\nwindow: the dialog\n");
    EXPECT_EQ(run.Recorded(L"optimizer"), Narrow(optimizer) + "\nended by itself\n");
    EXPECT_TRUE(WaitUntil([&] { return run.Recorded(L"application") != "<missing>"; },
                          std::chrono::milliseconds(30000)));
    EXPECT_EQ(run.Recorded(L"application"), Narrow(launch) + "\n");
    EXPECT_FALSE(run.FolderExists(run.DownloadFolder()));
}
