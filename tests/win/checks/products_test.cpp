// Installed-product answers and the server version check against packages installed for real
// with msiexec, and a scripted server on loopback for the version file.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/network_timeouts.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/installed_products.h"
#include "checks/need_install.h"
#include "checks/prereqs.h"
#include "http/http_client.h"
#include "tests/win/support/installed_packages.h"
#include "tests/win/support/log_lines.h"
#include "tests/win/support/win_test_support.h"
#include "tests/tools/http_test_server/scripted_server.h"

namespace {

// The suite keeps a log of its own, set before its first line: the first line of a suite that
// runs meanwhile would start the shared log afresh under the version check's long waits.
[[maybe_unused]] const bool g_ownLogFolder = [] {
    const std::wstring folder = MakeFreshFolder(L"products_suite");
    return SetEnvironmentVariableW(L"TMP", folder.c_str()) &&
           SetEnvironmentVariableW(L"TEMP", folder.c_str());
}();

std::vector<std::string> Log() { return LogLines(LogFilePath); }

// The prefix's kind comes from the run, not from the functions under test: the 64-bit run says
// so in TELLURA_EXPECT_WOW64.
bool ExpectWow64() {
    const char* value = std::getenv("TELLURA_EXPECT_WOW64");
    return value && std::string(value) == "1";
}

// The runtime package of this kind of Windows, or of the other kind.
std::wstring RuntimePackage(const wchar_t* version, bool thisWindows = true) {
    return std::wstring(ExpectWow64() == thisWindows ? L"vc8x64_" : L"vc8_") + version + L".msi";
}

TEST(ProductsUnderWine, Wow64AnswersThePrefixKind) { EXPECT_EQ(IsWow64(), ExpectWow64()); }

TEST(ProductsUnderWine, Vc8RuntimeVersions) {
    WriteLog(L"products suite");
    struct Case {
        const wchar_t* version;
        bool satisfied;
    };
    const Case cases[] = {{L"8.1.3", true}, {L"8.1.2", false}, {L"8.0.9", false},
                          {L"9.0.0", true}, {L"8.2.0", true},  {L"8.1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.version));
        Installed runtime{RuntimePackage(c.version)};
        EXPECT_EQ(IsPrereqVC8(), c.satisfied);
        const auto lines = Log();
        EXPECT_TRUE(LogHasInOrder(
            lines, {"IN->IsPrereqVC8 ()", "Installed Version: " + Narrow(c.version),
                    c.satisfied ? "OUT->IsPrereqVC8 VC8 Prerequistes don't need to be installed "
                                : "OUT->IsPrereqVC8  VC8 Prerequistes need to be installed"}));
    }
    // The other kind of Windows' runtime does not count, however new.
    Installed other{RuntimePackage(L"9.0.0", false)};
    EXPECT_FALSE(IsPrereqVC8());
}

// With two runtimes registered, the one the Installer lists second decides. Which one that is
// comes from the Installer; its version comes from the package file of that product code.
TEST(ProductsUnderWine, SecondRelatedRuntimeDecides) {
    const std::wstring packages[] = {RuntimePackage(L"8.1.2"), RuntimePackage(L"9.0.0")};
    Installed runtimes{packages[0], packages[1]};
    wchar_t second[39] = {};
    ASSERT_EQ(MsiEnumRelatedProductsW(ExpectWow64() ? kVC8UpgradeCodeX64 : kVC8UpgradeCodeX86, 0, 1,
                                      second),
              0u);
    std::wstring version;
    for (const std::wstring& package : packages)
        if (PackageProperty(package, L"ProductCode") == second)
            version = PackageProperty(package, L"ProductVersion");
    ASSERT_TRUE(version == L"8.1.2" || version == L"9.0.0") << Narrow(version);
    EXPECT_EQ(IsPrereqVC8(), version == L"9.0.0");
    EXPECT_TRUE(
        LogHasInOrder(Log(), {"IN->IsPrereqVC8 ()", "Installed Version: " + Narrow(version)}));
}

class VersionCheckUnderWine : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        server = new httptest::ScriptedServer;
        ASSERT_TRUE(server->Start({}));
        // The host is fixed at the first link built in the process.
        const std::wstring host = L"127.0.0.1:" + std::to_wstring(server->Port());
        SetEnvironmentVariableW(L"Tellura_Server", host.c_str());
        product = new Installed{L"product_1.0.12.msi"};
    }
    static void TearDownTestSuite() {
        delete product;
        delete server;
    }

    static std::string Ok(const std::string& body) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    static httptest::ScriptedServer* server;
    static Installed* product;
};

httptest::ScriptedServer* VersionCheckUnderWine::server = nullptr;
Installed* VersionCheckUnderWine::product = nullptr;

const std::string kCode = "{443128EF-B891-47D2-A48C-1B67E8224974}";

TEST_F(VersionCheckUnderWine, InstalledProductAgainstTheServer) {
    EXPECT_TRUE(IsInstalled());
    EXPECT_TRUE(LogHasInOrder(
        Log(), {"IN->IsInstalled ()", "Installed Version: 1.0.12", "OUT ->IsInstalled ()"}));
    struct Case {
        std::string body;
        bool install;
        bool upgrade;
        std::string line;
    };
    const std::string url =
        "http://127.0.0.1:" + std::to_string(server->Port()) + "/fwlink/?LinkId=136708";
    const Case cases[] = {
        {"PNQ1\t" + kCode + "\t1.0.12\r\n", false, false, "OUT->CheckNeedInstall  returns false"},
        {"PNQ1\t" + kCode + "\t1.0.13\r\n", true, true, "OUT->CheckNeedInstall  returns true"},
        {std::string(513, 'P'), true, false,
         "Download of " + url + " failed - Size = 513 rc  = 0 "},
        {"", true, false, "Download of " + url + " failed - Size = 0 rc  = 0 "},
        {"\xEF\xBB\xBFPNQ1\t" + kCode + "\t2.0.0", true, false,
         "Download of " + url + " failed- Tag not found "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        server->SetReplies({{Ok(c.body), true}});
        std::wstring message = L"before";
        UpgradeNeeded = true;
        EXPECT_EQ(CheckNeedInstall(message), c.install);
        EXPECT_EQ(UpgradeNeeded, c.upgrade);
        EXPECT_EQ(message, c.install ? L"before"
                                     : L"The latest version of Tellura is already installed.\n"
                                       L"There is no need to install it again.");
        const auto lines = Log();
        EXPECT_TRUE(LogHasInOrder(
            lines, {"IN->CheckNeedInstall ()", "Installed Version: 1.0.12", "Downloading " + url}));
        EXPECT_TRUE(LogHas(lines, c.line));
    }

    server->SetReplies({{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", true}});
    std::wstring message;
    EXPECT_TRUE(CheckNeedInstall(message));
    EXPECT_TRUE(LogHas(Log(), "Download of " + url + " failed - Size = 0 rc  = -404 "));
}

// A link server that accepts and never answers held the start-up for minutes: the check now
// gives up after the receive time-out (here half a second), logs it and lets the installation
// go ahead. Wine ends a silent WinInet request as if an empty head had come (-7; Windows
// reports the time-out, 0x80072EE2); the socket driver finds no byte of a head (-4).
TEST_F(VersionCheckUnderWine, SilentServerIsAReasonToInstall) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(server->Port()) + "/fwlink/?LinkId=136708";
    const struct {
        const char* driver;
        const char* rc;
    } cases[] = {{nullptr, "-7"}, {"1", "-4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver ? "socket driver" : "WinInet driver");
        // The client reads the C runtime's copy of the environment; an empty value removes it.
        _putenv_s("HTTPDriver", c.driver ? c.driver : "");
        server->SetReplies({httptest::Silent()});
        std::wstring message = L"before";
        NetworkLimits limits;
        limits.receiveMs = 500;
        EXPECT_TRUE(CheckNeedInstall(message, limits));
        EXPECT_EQ(message, L"before");
        EXPECT_FALSE(UpgradeNeeded);
        const auto lines = Log();
        EXPECT_TRUE(LogHasInOrder(
            lines,
            {"Downloading " + url, "Download of " + url + " failed - Size = 0 rc  = " + c.rc + " ",
             "OUT->CheckNeedInstall  returns true"}));
    }
    _putenv_s("HTTPDriver", "");
}

TEST(NetworkTimeouts, SetupRequestsWaitTwentySecondsToConnectAndThirtyWithoutAByte) {
    QELHttpClient client(nullptr, 1, 1);
    ApplyNetworkTimeouts(client);
    QELHttpClient library(nullptr, 1, 1);
    const struct {
        uint32_t option;
        uint32_t setup;
        uint32_t library;
    } rows[] = {{kHttpOptionConnectTimeout, 20000, 10000},
                {kHttpOptionSendTimeout, 30000, 36000000},
                {kHttpOptionReceiveTimeout, 30000, 36000000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        for (auto [which, expected] : {std::pair{&client, row.setup}, {&library, row.library}}) {
            uint32_t value = 0;
            int32_t size = 4;
            ASSERT_EQ(which->Driver()->QueryOption(row.option, &value, &size), kHttpOk);
            EXPECT_EQ(value, expected);
        }
    }
}

}  // namespace
