// The socket driver through a real HTTP proxy (tinyproxy on 127.0.0.1:8080). "Proxy" is read
// at the first driver construction in the process, so this program holds only proxy cases.
#include <gtest/gtest.h>

#include <string>

#include "http/socket_driver.h"
#include "tests/e2e/http/peers.h"

namespace {

TEST(Proxy, CarriesTheSocketDriversRequests) {
    std::string proxy = peers::Env("QEL_PEERS_PROXY");
    if (proxy.rfind("unavailable", 0) == 0) GTEST_SKIP() << "proxy " << proxy;
    ASSERT_EQ(proxy, "127.0.0.1:8080");
    SetEnvironment("Proxy", "127.0.0.1");
    QELHttpSocketDriver driver(nullptr, 1, 1);
    ASSERT_STREQ(QELHttpSocketDriver::ProxyHost(), "127.0.0.1");

    std::string expected = peers::ReadFile(peers::Env("QEL_PEERS_FILE"));
    std::string url = peers::Env("QEL_PEERS_URL") + "/files/blob.bin?run=proxy";
    int32_t result = QEL_E_FAIL;
    std::string fetched = peers::FetchInPieces(driver, url, expected.size(), &result);
    ASSERT_EQ(result, kHttpOk);
    EXPECT_TRUE(fetched == expected) << "fetched " << fetched.size() << " bytes";

    std::vector<std::string> lines = peers::LogLines("run=proxy", 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("tinyproxy"), std::string::npos) << lines[0];
}

}  // namespace
