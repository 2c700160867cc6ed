// Both drivers against a real nginx on loopback: range pieces that reassemble the file byte for
// byte, kept-alive connections, and a LinkId answered with a 302.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "http/socket_driver.h"
#include "tests/e2e/http/peers.h"
#ifdef _WIN32
#include "http/inet_driver.h"
#endif

namespace {

struct DriverKind {
    const char* name;
    std::unique_ptr<QELHttpDriver> (*make)();
};

std::vector<DriverKind> Drivers() {
    std::vector<DriverKind> kinds = {
        {"socket",
         [] { return std::unique_ptr<QELHttpDriver>(new QELHttpSocketDriver(nullptr, 1, 1)); }}};
#ifdef _WIN32
    kinds.push_back(
        {"wininet",
         [] { return std::unique_ptr<QELHttpDriver>(new QELHttpInetDriver(nullptr, 1, 1)); }});
#endif
    return kinds;
}

class Nginx : public ::testing::Test {
  protected:
    void SetUp() override {
        base = peers::Env("QEL_PEERS_URL");
        ASSERT_FALSE(base.empty()) << "run through run_with_peers.sh";
        expected = peers::ReadFile(peers::Env("QEL_PEERS_FILE"));
        ASSERT_GT(expected.size(), 4u * peers::kPiece);
    }
    std::string base;
    std::string expected;
};

TEST_F(Nginx, RangePiecesReassembleTheFileWithEveryDriver) {
    for (const DriverKind& kind : Drivers()) {
        SCOPED_TRACE(kind.name);
        auto driver = kind.make();
        std::string url = base + "/files/blob.bin?run=" + kind.name;
        QELHttpFileInfo info;
        ASSERT_EQ(driver->Head(url.c_str(), 0, &info), kHttpOk);
        EXPECT_EQ(info.size, static_cast<int64_t>(expected.size()));
        EXPECT_EQ(info.mode & 0x8000, 0x8000);
        int32_t result = QEL_E_FAIL;
        std::string fetched = peers::FetchInPieces(*driver, url, info.size, &result);
        ASSERT_EQ(result, kHttpOk);
        EXPECT_TRUE(fetched == expected) << "fetched " << fetched.size() << " bytes";
    }
}

TEST_F(Nginx, SocketDriverKeepsOneConnectionForAllPieces) {
    QELHttpSocketDriver driver(nullptr, 1, 1);
    int32_t result = QEL_E_FAIL;
    std::string fetched =
        peers::FetchInPieces(driver, base + "/files/blob.bin?run=reuse", expected.size(), &result);
    ASSERT_EQ(result, kHttpOk);
    size_t pieces = (expected.size() + peers::kPiece - 1) / peers::kPiece;
    std::vector<std::string> lines = peers::LogLines("run=reuse", pieces);
    ASSERT_EQ(lines.size(), pieces);
    const std::string connection = peers::ConnectionOf(lines[0]);
    for (const std::string& line : lines) {
        EXPECT_EQ(peers::ConnectionOf(line), connection) << line;
        EXPECT_NE(line.find("\" 206"), std::string::npos) << line;
    }
}

// Every piece goes through the link server's 302 to the file server on another port: one
// connection to each, however many pieces.
TEST_F(Nginx, SocketDriverKeepsOneConnectionPerServerThroughRedirects) {
    QELHttpSocketDriver driver("peers two servers\r\n", 1, 1);
    int32_t result = QEL_E_FAIL;
    std::string fetched =
        peers::FetchInPieces(driver, base + "/otherlink/?LinkId=1001", expected.size(), &result);
    ASSERT_EQ(result, kHttpOk);
    EXPECT_TRUE(fetched == expected) << "fetched " << fetched.size() << " bytes";
    const size_t pieces = (expected.size() + peers::kPiece - 1) / peers::kPiece;
    std::vector<std::string> lines = peers::LogLines("\"peers two servers\"", 2 * pieces);
    ASSERT_EQ(lines.size(), 2 * pieces);
    const std::string link = peers::Env("QEL_PEERS_PORT") + " ";
    const std::string files = peers::Env("QEL_PEERS_OTHER_PORT") + " ";
    std::set<std::string> connections;
    for (const std::string& line : lines) {
        connections.insert(peers::ConnectionOf(line));
        const bool toLink = line.compare(0, link.size(), link) == 0;
        EXPECT_TRUE(toLink || line.compare(0, files.size(), files) == 0) << line;
        EXPECT_NE(line.find(toLink ? "\" 302" : "\" 206"), std::string::npos) << line;
    }
    EXPECT_EQ(connections.size(), 2u);
}

TEST_F(Nginx, LinkIdRedirectIsFollowedWithEveryDriver) {
    for (const DriverKind& kind : Drivers()) {
        SCOPED_TRACE(kind.name);
        auto driver = kind.make();
        int32_t result = QEL_E_FAIL;
        std::string fetched =
            peers::FetchInPieces(*driver, base + "/fwlink/?LinkId=1001", expected.size(), &result);
        ASSERT_EQ(result, kHttpOk);
        EXPECT_TRUE(fetched == expected) << "fetched " << fetched.size() << " bytes";
        Body missing;
        EXPECT_EQ(driver->Get((base + "/fwlink/?LinkId=999").c_str(), 0, &missing.data,
                              &missing.length, nullptr),
                  -404);
    }
}

TEST_F(Nginx, ClientWithKeepAliveFlagOneAsTheDownloadCallsIt) {
    QELHttpClient client(nullptr, 1, 1);
    char* body = nullptr;
    int32_t length = 0;
    ASSERT_EQ(client.GetRange((base + "/fwlink/?LinkId=1001").c_str(), 1, 0, peers::kPiece, 100,
                              &body, &length, nullptr),
              kHttpOk);
    ASSERT_EQ(length, 100);
    EXPECT_TRUE(std::string(body, length) == expected.substr(peers::kPiece, 100));
    free(body);
}

}  // namespace
