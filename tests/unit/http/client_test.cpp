// The facade: driver choice, the flag transformation, the secure-URL switch, Release.
#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "tests/unit/http/test_support.h"

namespace {

TEST(HttpClient, FlagOneMeansKeepAlive) {
    EXPECT_EQ(QELHttpTransformFlags(1), kHttpFlagKeepAlive);
    EXPECT_EQ(QELHttpTransformFlags(17), 16u | kHttpFlagKeepAlive);
    EXPECT_EQ(QELHttpTransformFlags(2), 2u);
    EXPECT_EQ(QELHttpTransformFlags(0), 0u);
    EXPECT_EQ(QELHttpTransformFlags(0x200001), 0x200000u | kHttpFlagKeepAlive);
}

class SocketClient : public ::testing::Test {
  protected:
    void SetUp() override { SetEnvironment("HTTPDriver", "1"); }
    void TearDown() override { SetEnvironment("HTTPDriver", nullptr); }
};

TEST_F(SocketClient, HTTPDriverChoosesTheSocketDriverAndFlagOneKeepsAlive) {
    httptest::ScriptedServer server;
    std::string error;
    ASSERT_TRUE(server.Start({Answer("200 OK", "one"), Answer("200 OK", "two")}, 0, &error))
        << error;
    QELHttpClient client(nullptr, 1, 1);
    ASSERT_NE(client.Driver(), nullptr);
    EXPECT_EQ(client.Driver()->GetKind(), 'D');
    Body body;
    ASSERT_EQ(client.Get(server.Url("/k").c_str(), 1, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(body.Text(), "one");
    Body range;
    ASSERT_EQ(
        client.GetRange(server.Url("/r").c_str(), 2, 0, 0, 3, &range.data, &range.length, nullptr),
        kHttpOk);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].bytes.find("\r\nConnection: Keep-Alive\r\n"), std::string::npos);
    EXPECT_EQ(requests[1].bytes.find("Keep-Alive"), std::string::npos);
    char* status = nullptr;
    int32_t length = 0;
    ASSERT_EQ(client.QueryInfo(&status, &length, nullptr, kHttpQueryStatusCode, nullptr), kHttpOk);
    EXPECT_STREQ(status, "200");
    free(status);
}

TEST_F(SocketClient, OnlyTheExactSecureSchemeSwitchesDrivers) {
    QELHttpClient client(nullptr, 1, 1);
    Body body;
    // Upper case is not the secure scheme: the socket driver stays and refuses the URL.
    EXPECT_EQ(client.Get("HTTPS://127.0.0.1:1/", 0, &body.data, &body.length, nullptr),
              kHttpInvalidArg);
    EXPECT_EQ(client.Driver()->GetKind(), 'D');
    client.Get("https://127.0.0.1:1/", 0, &body.data, &body.length, nullptr);
#ifdef _WIN32
    ASSERT_NE(client.Driver(), nullptr);
    EXPECT_EQ(client.Driver()->GetKind(), 'W');
#else
    // No secure driver here: the request is refused rather than sent in plain text.
    EXPECT_EQ(client.Get("https://127.0.0.1:1/", 0, &body.data, &body.length, nullptr), kHttpFail);
    EXPECT_EQ(client.Driver()->GetKind(), 'D');
#endif
}

TEST_F(SocketClient, ReleasedClientAnswersMinusOne) {
    QELHttpClient client(nullptr, 1, 1);
    EXPECT_EQ(client.Release(), kHttpOk);
    EXPECT_EQ(client.Release(), kHttpOk);
    Body body;
    QELHttpFileInfo info;
    EXPECT_EQ(client.Get("http://127.0.0.1/", 0, &body.data, &body.length, nullptr), -1);
    EXPECT_EQ(client.GetRange("http://127.0.0.1/", 0, 0, 0, 1, &body.data, &body.length, nullptr),
              -1);
    EXPECT_EQ(client.Head("http://127.0.0.1/", &info), -1);
    EXPECT_EQ(client.QueryInfo(&body.data, &body.length, nullptr, kHttpQueryRawHead, nullptr), -1);
}

TEST(HttpClient, DefaultDriverWithoutHTTPDriver) {
    SetEnvironment("HTTPDriver", nullptr);
    QELHttpClient client(nullptr, 1, 1);
    ASSERT_NE(client.Driver(), nullptr);
#ifdef _WIN32
    EXPECT_EQ(client.Driver()->GetKind(), 'W');
#else
    EXPECT_EQ(client.Driver()->GetKind(), 'D');
#endif
}

}  // namespace
