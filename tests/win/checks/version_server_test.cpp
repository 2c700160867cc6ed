// The server version check against nginx serving the version file behind its link, with the
// product installed for real.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/need_install.h"
#include "tests/win/support/installed_packages.h"
#include "tests/win/support/log_lines.h"
#include "tests/win/support/win_test_support.h"

namespace {

const std::string kCode = "{443128EF-B891-47D2-A48C-1B67E8224974}";

void PublishVersionFile(const std::string& content) {
    const std::wstring path =
        WinePathFromVariable("QEL_PEERS_WWW") + L"\\files\\Ventrola_VERSION.txt";
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

TEST(VersionCheckThroughNginx, PublishedVersionAgainstTheInstalledOne) {
    const char* port = std::getenv("QEL_PEERS_PORT");
    ASSERT_NE(port, nullptr) << "run through run_with_peers.sh";
    const std::string host = std::string("127.0.0.1:") + port;
    SetEnvironmentVariableA("Tellura_Server", host.c_str());
    WriteLog(L"version check suite");
    Installed product{L"product_1.0.12.msi"};

    struct Case {
        std::string file;
        bool install;
        bool upgrade;
        std::string line;
    };
    const std::string url = "http://" + host + "/fwlink/?LinkId=136708";
    const Case cases[] = {
        {"PNQ1\t" + kCode + "\t1.0.12\r\n", false, false,
         "The latest version of Tellura is already installed."},
        {"PNQ1\t" + kCode + "\t1.0.13\r\n", true, true, "OUT->CheckNeedInstall  returns true"},
        {"PNQ1\t\t" + kCode + "\t\t2\n", true, true, "OUT->CheckNeedInstall  returns true"},
        {"PNQ1\t" + kCode + "\t1.0.9", false, false,
         "The latest version of Tellura is already installed."},
        {"PNQ1\t{443128ef-b891-47d2-a48c-1b67e8224974}\t9.0.0", true, false,
         "Download of " + url +
             " failed - Incorrect UpgradeCode : {443128ef-b891-47d2-a48c-1b67e8224974}"},
        {" PNQ1\t" + kCode + "\t9.0.0", true, false,
         "Download of " + url + " failed- Tag not found "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PublishVersionFile(c.file);
        std::wstring message = L"before";
        EXPECT_EQ(CheckNeedInstall(message), c.install);
        EXPECT_EQ(UpgradeNeeded, c.upgrade);
        EXPECT_EQ(message == L"before", c.install);
        const auto lines = LogLines(LogFilePath);
        EXPECT_TRUE(LogHasInOrder(
            lines, {"IN->CheckNeedInstall ()", "Installed Version: 1.0.12", "Downloading " + url}));
        EXPECT_TRUE(LogHas(lines, c.line));
    }
}

}  // namespace
