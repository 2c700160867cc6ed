// The real OS check for each Windows version a Wine prefix can pretend to be. Wine reads the
// version when a process starts, so each case runs the checks in a child process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win/support/win_test_support.h"
#include "tests/win/support/log_lines.h"

namespace {

struct VersionCase {
    const wchar_t* wineVersion;
    bool passed;
    bool isVersion60;
    const char* osName;  // null: no name line
};

TEST(RequirementsUnderWine, EachWindowsVersion) {
    // In a 32-bit prefix "winxp64" reports 5.2 workstation on x86: the Server 2003 row, not the
    // x64 edition's, since the native architecture is not AMD64.
    const VersionCase cases[] = {
        {L"winxp", true, false, "Microsoft Windows XP "},
        {L"winxp64", true, false, "Microsoft Windows Server 2003"},
        {L"win2003", true, false, "Microsoft Windows Server 2003"},
        {L"vista", true, true, "Microsoft Windows Vista "},
        {L"win2008", false, true, "Microsoft Windows Server 2008 "},
        {L"", true, false, nullptr},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "version " << (*c.wineVersion ? "set" : "default") << " #" << (&c - cases));
        ASSERT_TRUE(SetWineVersion(c.wineVersion));
        const std::wstring folder = MakeFreshFolder(L"os_probe");
        const DWORD code = RunTestProgram(L"requirements_probe.exe", L"\"" + folder + L"\\\"");
        EXPECT_TRUE(SetWineVersion(L""));
        EXPECT_EQ((code & 1) != 0, c.passed);
        EXPECT_EQ((code & 2) != 0, c.isVersion60);
        const auto lines = LogLines(folder + L"KSTInstall.log");
        const std::string out =
            c.passed ? "OUT-> IsOSAuthorized() - OK " : "OUT-> IsOSAuthorized() - KO ";
        if (c.osName) {
            EXPECT_TRUE(LogHasInOrder(lines, {"IN-> IsOSAuthorized()", c.osName, out}));
        } else {
            EXPECT_TRUE(LogHasInOrder(lines, {"IN-> IsOSAuthorized()", out}));
            EXPECT_FALSE(LogHas(lines, "Microsoft Windows XP "));
        }
        const std::string message = ReadWholeFile(folder + L"message.txt");
        if (!c.passed) {
            EXPECT_EQ(message,
                      "Tellura installation is forbidden on Microsoft Windows Server 2008 \n.");
        } else {
            // The last writer is the disk check, with the free bytes.
            EXPECT_NE(message.find(" bytes"), std::string::npos) << message;
        }
        // A refused system stops the chain before the video probe.
        EXPECT_EQ(LogHas(lines, "IN-> IsVideoCardOK()"), c.passed);
        if (c.passed) {
            EXPECT_TRUE(LogHasInOrder(
                lines, {"OUT-> IsVideoCardOK() - OK ", "IN->CheckNeedInstall ()",
                        "Tellura is not installed", "OUT->CheckNeedInstall  returns true",
                        "IN-> IsEnoughDiskSpace()", "OUT-> IsEnoughDiskSpace() - OK "}));
        }
    }
}

}  // namespace
