#include "checks/need_install.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "checks/version_rules.h"

namespace {

const std::string kCode = "{443128EF-B891-47D2-A48C-1B67E8224974}";
const std::wstring kUrl = L"http://127.0.0.1:8080/fwlink/?LinkId=136708";

class FakeServer : public NeedInstallServices {
  public:
    std::optional<std::wstring> installed = L"1.0.12";
    int32_t rc = 0;
    std::string body;
    std::vector<std::wstring> log;
    int fetches = 0;

    void Log(const std::wstring& line) override { log.push_back(line); }
    bool InstalledVersion(std::wstring& version) override {
        if (!installed) return false;
        version = *installed;
        return true;
    }
    std::wstring VersionFileUrl() override { return kUrl; }
    int32_t Fetch(const std::wstring&, std::string& out) override {
        ++fetches;
        out = body;
        return rc;
    }
    std::wstring Widen(std::string_view bytes) override {
        std::wstring wide;
        for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
        return wide;
    }
    std::wstring LatestInstalledMessage() override { return L"latest installed"; }
};

struct Result {
    bool install;
    bool upgrade;
    std::wstring message;
};

Result RunCheck(FakeServer& server) {
    Result result{false, true, L"before"};
    result.install = CheckNeedInstall(server, result.message, result.upgrade);
    return result;
}

bool Logged(const FakeServer& server, const std::wstring& line) {
    return std::find(server.log.begin(), server.log.end(), line) != server.log.end();
}

TEST(CheckNeedInstall, NoProductMeansNoDownload) {
    FakeServer server;
    server.installed.reset();
    const Result result = RunCheck(server);
    EXPECT_TRUE(result.install);
    EXPECT_FALSE(result.upgrade);
    EXPECT_EQ(server.fetches, 0);
    const std::vector<std::wstring> expected = {L"IN->CheckNeedInstall ()",
                                                L"Tellura is not installed",
                                                L"OUT->CheckNeedInstall  returns true"};
    EXPECT_EQ(server.log, expected);
}

TEST(CheckNeedInstall, SameOrOlderServerVersionRefuses) {
    struct Row {
        const wchar_t* installed;
        std::string body;
    };
    const Row rows[] = {
        {L"1.0.12", "PNQ1\t" + kCode + "\t1.0.12\r\n"},
        {L"1.1.0", "PNQ1\t" + kCode + "\t1.0.99"},
        {L"2.0.0", "PNQ1\t" + kCode + "\t2\n"},
    };
    for (const Row& row : rows) {
        FakeServer server;
        server.installed = row.installed;
        server.body = row.body;
        const Result result = RunCheck(server);
        EXPECT_FALSE(result.install);
        EXPECT_FALSE(result.upgrade);
        EXPECT_EQ(result.message, L"latest installed");
        const std::vector<std::wstring> tail(server.log.end() - 2, server.log.end());
        EXPECT_EQ(tail, (std::vector<std::wstring>{L"latest installed",
                                                   L"OUT->CheckNeedInstall  returns false"}));
    }
}

TEST(CheckNeedInstall, NewerServerVersionIsAnUpgrade) {
    FakeServer server;
    server.body = "PNQ1\t\t" + kCode + "\t\t1.0.13\r\n";
    const Result result = RunCheck(server);
    EXPECT_TRUE(result.install);
    EXPECT_TRUE(result.upgrade);
    EXPECT_EQ(result.message, L"before");
    const std::vector<std::wstring> expected = {
        L"IN->CheckNeedInstall ()", L"Installed Version: 1.0.12", L"Downloading " + kUrl,
        L"Web Version: PNQ1\t\t" + std::wstring(kProductUpgradeCode) + L"\t\t1.0.13",
        L"OUT->CheckNeedInstall  returns true"};
    EXPECT_EQ(server.log, expected);
}

TEST(CheckNeedInstall, BadDownloadsLetTheInstallationGoAhead) {
    struct Row {
        int32_t rc;
        std::string body;
        std::wstring line;
    };
    const std::wstring prefix = L"Download of " + kUrl;
    const Row rows[] = {
        {0, std::string(513, 'P'), prefix + L" failed - Size = 513 rc  = 0 "},
        {0, "", prefix + L" failed - Size = 0 rc  = 0 "},
        {-404, "PNQ1\t" + kCode + "\t9.9.9", prefix + L" failed - Size = 17 rc  = -404 "},
        {0, " PNQ1\t" + kCode + "\t9.9.9", prefix + L" failed- Tag not found "},
        {0, "\xEF\xBB\xBFPNQ1\t" + kCode + "\t9.9.9", prefix + L" failed- Tag not found "},
        {0, "PNQ1\t{443128ef-b891-47d2-a48c-1b67e8224974}\t9.9.9",
         prefix + L" failed - Incorrect UpgradeCode : {443128ef-b891-47d2-a48c-1b67e8224974}"},
        {0, "PNQ1\t" + kCode + "\r\n", prefix + L" failed - Msi Version not found"},
    };
    for (Row row : rows) {
        if (row.rc == -404)
            row.line =
                prefix + L" failed - Size = " + std::to_wstring(row.body.size()) + L" rc  = -404 ";
        SCOPED_TRACE(testing::PrintToString(row.line));
        FakeServer server;
        server.rc = row.rc;
        server.body = row.body;
        const Result result = RunCheck(server);
        EXPECT_TRUE(result.install);
        EXPECT_FALSE(result.upgrade);
        EXPECT_EQ(result.message, L"before");
        EXPECT_TRUE(Logged(server, row.line));
        EXPECT_EQ(server.log.back(), L"OUT->CheckNeedInstall  returns true");
    }
}

}  // namespace
