#include <gtest/gtest.h>

#include "engine/installer_commands.h"
#include "engine/package_download.h"
#include "engine/package_table.h"
#include "engine/piece_outcome.h"
#include "engine/post_install_commands.h"
#include "http/header_text.h"

namespace {

std::wstring Files(const std::vector<PackageStep>& steps) {
    std::wstring all;
    for (const PackageStep& step : steps)
        all += std::wstring(step.fileName) + L"@" + (step.linkPath + 16) +
               (step.updatePackage ? L"(update)" : L"") + (step.product ? L"(product)" : L"") +
               L" ";
    return all;
}

}  // namespace

TEST(PackageTable, PackagesByMissingPrerequisitesAndWindows) {
    struct Case {
        MachineFacts facts;
        std::wstring files;
    };
    const Case cases[] = {
        {{false, false, false, true}, L"Ventrola.msi@136707(product) "},
        {{true, true, false, false},
         L"InstallKVSoftwarePrerequisites_x86.msi@136696 msxml6_x86.msi@136704 "
         L"Ventrola.msi@136707(product) "},
        {{true, true, false, true},
         L"InstallKVSoftwarePrerequisites_x86_x64.msi@136697 msxml6_x64.msi@136705 "
         L"Ventrola.msi@136707(product) "},
        {{false, true, true, false},
         L"Windows6.0-KB941179-x86.msu@110924(update) Ventrola.msi@136707(product) "},
        {{false, true, true, true},
         L"Windows6.0-KB941179-x64.msu@110922(update) Ventrola.msi@136707(product) "},
        // Vista without a missing MSXML fetches no hot fix.
        {{true, false, true, false},
         L"InstallKVSoftwarePrerequisites_x86.msi@136696 Ventrola.msi@136707(product) "},
    };
    for (const Case& c : cases) EXPECT_EQ(Files(PackagesToInstall(c.facts)), c.files);

    EXPECT_EQ(
        DownloadedFileNames(false),
        (std::vector<std::wstring>{L"InstallKVSoftwarePrerequisites_x86.msi", L"msxml6_x86.msi",
                                   L"Windows6.0-KB941179-x86.msu", L"Ventrola.msi"}));
    EXPECT_EQ(DownloadedFileNames(true)[2], L"Windows6.0-KB941179-x64.msu");
    EXPECT_EQ(DownloadFolderFor(L"C:\\Temp\\", 1234), L"C:\\Temp\\KST1234\\");
    EXPECT_EQ(DownloadFolderFor(L"C:\\Temp\\", 1234, 3), L"C:\\Temp\\KST1234-3\\");
}

// The longest package path, "<temp>KST4294967295-9\InstallKVSoftwarePrerequisites_x86_x64.msi"
// on 64-bit Windows, must keep within 259 characters.
TEST(PackageTable, TemporaryFolderLongEnoughForEveryPackage) {
    const std::wstring longestName = L"InstallKVSoftwarePrerequisites_x86_x64.msi";
    const size_t room = 259 - std::wstring(L"KST4294967295-9\\").size() - longestName.size();
    const std::wstring fits = L"C:\\" + std::wstring(room - 4, L'x') + L"\\";
    ASSERT_EQ(fits.size(), room);
    EXPECT_TRUE(TempPathFits(fits, true));
    EXPECT_FALSE(TempPathFits(fits + L"y", true));
    EXPECT_TRUE(TempPathFits(fits + L"y", false));  // the 32-bit name is four shorter
    EXPECT_FALSE(TempPathFits(L"", false));
    EXPECT_FALSE(TempPathFits(std::wstring(1100, L'x'), false));
}

TEST(InstallerCommands, CommandLinesOfEachInstaller) {
    InstallCommand product{L"C:\\T\\KST9\\Ventrola.msi", L"C:\\T\\", L"Ventrola.msi", false, true,
                           MsiPropertiesFor(0x0407)};
    EXPECT_EQ(InstallCommandLine(product),
              L"msiexec /norestart /i C:\\T\\KST9\\Ventrola.msi  BOOTSTRAP=1 "
              L"TRANSFORMS=\":de-de.mst\" /q /l* C:\\T\\Ventrola.msi.log");
    InstallCommand hotfix{
        L"C:\\T\\KST9\\Windows6.0-KB941179-x86.msu", L"C:\\T\\", L"x", true, false, L""};
    EXPECT_EQ(InstallCommandLine(hotfix),
              L"wusa.exe /quiet /norestart C:\\T\\KST9\\Windows6.0-KB941179-x86.msu");
    EXPECT_EQ(RemoveCommandLine(L"C:\\T\\KST9\\Ventrola.msi"),
              L"msiexec /x C:\\T\\KST9\\Ventrola.msi /q");

    // A temporary folder with a blank would split the arguments: such paths are quoted.
    InstallCommand spaced{L"C:\\Documents and Settings\\T\\KST9\\msxml6_x86.msi",
                          L"C:\\Documents and Settings\\T\\",
                          L"msxml6_x86.msi",
                          false,
                          false,
                          L""};
    EXPECT_EQ(InstallCommandLine(spaced),
              L"msiexec /norestart /i \"C:\\Documents and Settings\\T\\KST9\\msxml6_x86.msi\" /q "
              L"/l* \"C:\\Documents and Settings\\T\\msxml6_x86.msi.log\"");
    EXPECT_EQ(RemoveCommandLine(L"C:\\A B\\p.msi"), L"msiexec /x \"C:\\A B\\p.msi\" /q");
}

TEST(InstallerCommands, TransformByUserInterfaceLanguage) {
    const std::pair<uint16_t, std::wstring> cases[] = {
        {0x0407, L"BOOTSTRAP=1 TRANSFORMS=\":de-de.mst\""},
        {0x0C0A, L"BOOTSTRAP=1 TRANSFORMS=\":es-es.mst\""},
        {0x040C, L"BOOTSTRAP=1 TRANSFORMS=\":fr-fr.mst\""},
        {0x0410, L"BOOTSTRAP=1 TRANSFORMS=\":it-it.mst\""},
        {0x0411, L"BOOTSTRAP=1 TRANSFORMS=\":ja-jp.mst\""},
        {0x0409, L"BOOTSTRAP=1"},
        {0x0413, L"BOOTSTRAP=1"},  // Dutch has no transform
    };
    for (const auto& [language, properties] : cases)
        EXPECT_EQ(MsiPropertiesFor(language), properties);
}

TEST(InstallerCommands, ExitCodeLines) {
    EXPECT_EQ(InstallerExitLine(1618),
              L"Installer exit code = 1618 (another installation is already in progress)");
    EXPECT_EQ(InstallerExitLine(3010),
              L"Installer exit code = 3010 (success, a restart is required)");
    EXPECT_EQ(InstallerExitLine(0x80240017),
              L"Installer exit code = 0x80240017 (the update does not apply to this system)");
    EXPECT_EQ(InstallerExitLine(1), L"Installer exit code = 1");
}

TEST(PostInstallCommands, ToolCommandLinesAndEnvironmentFolder) {
    EXPECT_EQ(TextureToolCommandLine(L"C:\\P\\T", -5),
              L"\"C:\\P\\T\\code\\bin\\QELTexturesGeneration.exe\" -p  \"C:\\P\\T\" -hWnd -5");
    EXPECT_EQ(OptimizerCommandLine(L"C:\\Programs\\Ventrola\\intel_a"),
              L"\"C:\\Programs\\Ventrola\\intel_a\\code\\bin\\QELSTART.exe\" -run "
              L"\"ZRMGraphicsOptimizerApplication\" -env Tellura -direnv "
              L"\"C:\\Programs\\Ventrola\\QELEnv\" -nowindow");
    EXPECT_EQ(EnvironmentFolder(L"C:\\Programs\\Ventrola"), L"C:\\Programs\\VentrolaQELEnv");
    EXPECT_EQ(EnvironmentFolder(L"C:\\A\\intel_a\\B\\intel_a"), L"C:\\A\\QELEnv");
}

TEST(PostInstallCommands, LaunchCommandFromTheTemplate) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\P\\app.exe\" -id {0}", L"\"C:\\P\\app.exe\" -id  ID "},
        {L"app.exe {0} -x", L"app.exe  ID  -x"},
        {L"{0}app.exe", L"app.exe ID "},
        {L"a{0}b{0}c", L"a ID b"},
        {L"{0}", L" ID "},
        {L"", L" ID "},
        // A path with a 0 in it stays whole.
        {L"\"C:\\Ventrola 2010\\app.exe\" -id {0}", L"\"C:\\Ventrola 2010\\app.exe\" -id  ID "},
    };
    for (const auto& [commandTemplate, command] : cases)
        EXPECT_EQ(LaunchCommand(commandTemplate, L"ID"), command);
}

TEST(PostInstallCommands, NoExpandVariable) {
    EXPECT_FALSE(TexturesSkipped(std::nullopt));
    EXPECT_FALSE(TexturesSkipped(std::wstring()));
    EXPECT_TRUE(TexturesSkipped(std::wstring(L"1")));
    EXPECT_TRUE(TexturesSkipped(std::wstring(31, L'x')));
    EXPECT_FALSE(TexturesSkipped(std::wstring(32, L'x')));  // does not fit its buffer
}

// What the download reads of a Content-Range and a Retry-After, parsed with the head.
TEST(PackageDownload, ContentRangeAndRetryAfter) {
    struct Range {
        std::string value;
        int64_t first, last, total;
    };
    const Range ranges[] = {
        {"bytes 0-524287/1048576", 0, 524287, 1048576},
        {"bytes 0-9/ 12", 0, 9, 12},
        {"bytes 0-9/*", 0, 9, -1},
        {"bytes 0-9", 0, 9, -1},
        {"bytes 9-0/10", -1, -1, 10},
        {"bytes 0-9/-5", 0, 9, -1},
        {"bytes 0-9/5000000000", 0, 9, 5000000000},
        {"bytes 0-9/99999999999999999999", 0, 9, -1},
    };
    for (const Range& r : ranges) {
        int64_t first = 0, last = 0, total = 0;
        QELHttpParseContentRange(r.value.data(), r.value.size(), &first, &last, &total);
        EXPECT_EQ(std::vector<int64_t>({first, last, total}),
                  std::vector<int64_t>({r.first, r.last, r.total}))
            << r.value;
    }
    const std::pair<std::string, int32_t> retryAfter[] = {
        {"120", 120}, {" 5 ", 5}, {"99999999999999", 86400}, {"", -1},
        {"Wed, 21 Oct 2015 07:28:00 GMT", -1}, {"-1", -1}, {"5 s", -1}};
    for (const auto& [value, seconds] : retryAfter)
        EXPECT_EQ(QELHttpParseRetryAfter(value.data(), value.size()), seconds) << value;
}

// What the HTTP client's results mean for a piece; WinInet's own numbers are met only on
// Windows.
TEST(PieceOutcomes, FaultsThatAreAskedAgain) {
    struct Case {
        int32_t result;
        bool transient;
        const wchar_t* cause;
    };
    const Case cases[] = {
        {-503, true, L"HTTP 503"},
        {-429, true, L"HTTP 429"},
        {-404, false, L"HTTP 404"},
        {static_cast<int32_t>(0x80072EFD), true, L"connection refused"},
        {static_cast<int32_t>(0x80072EFF), true, L"connection reset"},
        {static_cast<int32_t>(0x80072EE2), true, L"time-out"},
        {-12, true, L"connection lost"},
        {static_cast<int32_t>(0x80072EE7), false, L"error 0x80072EE7"},  // name not resolved
        {static_cast<int32_t>(0x80072EF1), false, L"error 0x80072EF1"},  // aborted by us
    };
    for (const Case& c : cases) {
        const PieceOutcome outcome = FailedRequest(c.result);
        EXPECT_EQ(outcome.kind, c.transient ? PieceOutcome::kTransient : PieceOutcome::kFatal)
            << c.result;
        EXPECT_EQ(outcome.cause, c.cause);
        EXPECT_EQ(outcome.clientResult, c.result);
    }
}

TEST(PieceOutcomes, RetryDelays) {
    NetworkLimits limits;
    EXPECT_EQ(RetryDelayMs(limits, 1, std::nullopt), 1000u);
    EXPECT_EQ(RetryDelayMs(limits, 3, std::nullopt), 4000u);
    EXPECT_EQ(RetryDelayMs(limits, 1, 7), 7000u);
    EXPECT_EQ(RetryDelayMs(limits, 1, 4000000000u), 30000u);
    EXPECT_EQ(Seconds(250), L"0.25");
}
