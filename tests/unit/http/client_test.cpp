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

// A server that sends more than a small file may have cannot grow the caller's memory.
TEST_F(SocketClient, BodyLimitCutsEveryLaterBody) {
    httptest::ScriptedServer server;
    std::string error;
    const std::string big(100000, 'v');
    ASSERT_TRUE(server.Start({Answer("200 OK", big), Answer("200 OK", "short")}, 0, &error))
        << error;
    QELHttpClient client(nullptr, 1, 1);
    client.SetBodyLimit(513);
    Body cut, whole;
    ASSERT_EQ(client.Get(server.Url("/v").c_str(), 0, &cut.data, &cut.length, nullptr), kHttpOk);
    EXPECT_EQ(cut.Text(), big.substr(0, 513));
    ASSERT_EQ(client.Get(server.Url("/w").c_str(), 0, &whole.data, &whole.length, nullptr),
              kHttpOk);
    EXPECT_EQ(whole.Text(), "short");
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
    EXPECT_EQ(client.Get("https://127.0.0.1:1/", 0, &body.data, &body.length, nullptr), QEL_E_FAIL);
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

// With limits set through the driver's options, a silent server ends the request, whichever
// driver the client holds; a server that keeps sending, however slowly, is not cut off: the
// limit is a time without a byte. The next request is answered in full. (Wine ends a silent
// WinInet request with -7 and a stalled body with -8; the socket driver with -4 and -12.)
TEST(HttpClientTimeouts, SilenceEndsTheRequestATrickleDoesNot) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n";
    const struct Case {
        const char* label;
        httptest::Reply reply;
        bool answered;
    } cases[] = {
        {"never answers", httptest::Silent(), false},
        {"stops in the body", httptest::Silent(head + "abc"), false},
        // The body's six bytes take longer than the limit, each gap a third of it.
        {"a body byte every 130 ms", {head + "abcdef", false, false, 130, head.size()}, true},
    };
    const uint32_t receiveMs = 400;
    const uint32_t connectMs = 2000;
    // Without "HTTPDriver" the client holds the WinInet driver on Windows, the socket one here.
#ifdef _WIN32
    const char* const drivers[] = {"1", nullptr};
#else
    const char* const drivers[] = {"1"};
#endif
    for (const char* driver : drivers) {
        SetEnvironment("HTTPDriver", driver);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(driver ? "socket driver, " : "default driver, ") + c.label);
            httptest::ScriptedServer server;
            std::string error;
            ASSERT_TRUE(server.Start({c.reply, Answer("200 OK", "next")}, 0, &error)) << error;
            QELHttpClient client(nullptr, 1, 1);
            ASSERT_EQ(client.Driver()->SetOption(kHttpOptionReceiveTimeout, &receiveMs, 4),
                      kHttpOk);
            ASSERT_EQ(client.Driver()->SetOption(kHttpOptionConnectTimeout, &connectMs, 4),
                      kHttpOk);
            Body body;
            const int32_t result =
                client.Get(server.Url("/slow").c_str(), 1, &body.data, &body.length, nullptr);
            if (c.answered) {
                EXPECT_EQ(result, kHttpOk);
                EXPECT_EQ(body.Text(), "abcdef");
            } else {
                EXPECT_LT(result, 0);
                EXPECT_EQ(body.data, nullptr);
            }
            Body next;
            EXPECT_EQ(client.Get(server.Url("/next").c_str(), 1, &next.data, &next.length, nullptr),
                      kHttpOk);
            EXPECT_EQ(next.Text(), "next");
        }
    }
    SetEnvironment("HTTPDriver", nullptr);
}

}  // namespace
