// The socket driver against servers that misbehave: redirects to a secure URL or another host,
// keep-alive connections closed while idle, servers that go quiet or trickle.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "http/socket_driver.h"
#include "tests/unit/http/test_support.h"

namespace {

using httptest::Reply;
using httptest::ScriptedServer;
using httptest::Silent;

Reply RedirectTo(const std::string& url) {
    return Answer("302 Found", "moved", "Location: " + url + "\r\n");
}

TEST(SocketRedirects, SecureTargetIsRefusedAtEveryStepWithNothingSent) {
    ScriptedServer first;
    ScriptedServer secure;
    Start(first);
    Start(secure);
    const std::string target = "https://127.0.0.1:" + std::to_string(secure.Port()) + "/x";
    first.SetReplies({RedirectTo(target), RedirectTo(first.Url("/step")), RedirectTo(target)});
    QELHttpSocketDriver driver(nullptr, 1, 1);
    Body body;
    // Straight away, and after a plain step.
    EXPECT_EQ(driver.Get(first.Url("/a").c_str(), 0, &body.data, &body.length, nullptr),
              QEL_E_FAIL);
    EXPECT_EQ(driver.Get(first.Url("/b").c_str(), 0, &body.data, &body.length, nullptr),
              QEL_E_FAIL);
    EXPECT_EQ(body.data, nullptr);
    EXPECT_EQ(first.Requests().size(), 3u);
    EXPECT_EQ(secure.Connections(), 0);
    EXPECT_EQ(driver.Get(target.c_str(), 0, &body.data, &body.length, nullptr), QEL_E_FAIL);
    EXPECT_EQ(secure.Connections(), 0);
}

// Every piece of a download goes through the link server's redirect to the file server: both
// connections stay open, so pieces cost no new connection.
TEST(SocketRedirects, AnotherHostKeepsOneConnectionPerServer) {
    ScriptedServer link;
    ScriptedServer files;
    Start(link);
    Start(files, {Answer("206 Partial", "one"), Answer("206 Partial", "two"),
                  Answer("206 Partial", "three")});
    link.SetReplies(std::vector<Reply>(3, RedirectTo(files.Url("/files/blob.bin"))));
    QELHttpSocketDriver driver(nullptr, 1, 1);
    for (const char* expected : {"one", "two", "three"}) {
        Body body;
        ASSERT_EQ(driver.GetRange(link.Url("/fwlink/?LinkId=1").c_str(), kHttpFlagKeepAlive, 0, 0,
                                  3, &body.data, &body.length, nullptr),
                  kHttpOk);
        EXPECT_EQ(body.Text(), expected);
    }
    EXPECT_EQ(link.Connections(), 1);
    EXPECT_EQ(files.Connections(), 1);
    auto pieces = files.Requests();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2].bytes.substr(0, 25), "GET /files/blob.bin HTTP/");
    EXPECT_NE(pieces[2].bytes.find("Host: 127.0.0.1:" + std::to_string(files.Port())),
              std::string::npos);
}

// A request on a kept-alive connection that gets no byte of an answer goes once more on a new
// connection, if it may be repeated; an answer begun, a fresh connection or a POST end it.
TEST(SocketResend, OnlyAnUnansweredRepeatableRequestOnAReusedConnection) {
    const Reply first = Answer("200 OK", "first");
    const Reply closedUnanswered = {"", true};
    const struct Case {
        const char* label;
        std::vector<Reply> replies;
        bool warmUp;  // a first request leaves the connection open for reuse
        const char* verb;
        int32_t result;
        size_t requests;
        int connections;
    } cases[] = {
        {"closed while idle",
         {first, closedUnanswered, Answer("200 OK", "again")},
         true,
         "GET",
         kHttpOk,
         3,
         2},
        {"unanswered again",
         {first, closedUnanswered, closedUnanswered},
         true,
         "GET",
         kHttpReadShort,
         3,
         2},
        {"answer begun",
         {first, {"HTTP/1.1 200", true}, Answer("200 OK", "no")},
         true,
         "GET",
         kHttpReadShort,
         2,
         1},
        {"post",
         {first, closedUnanswered, Answer("200 OK", "no")},
         true,
         "POST",
         kHttpReadShort,
         2,
         1},
        {"fresh connection",
         {closedUnanswered, Answer("200 OK", "no")},
         false,
         "GET",
         kHttpReadShort,
         1,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedServer server;
        Start(server, c.replies);
        QELHttpSocketDriver driver(nullptr, 1, 1);
        if (c.warmUp) {
            Body warm;
            ASSERT_EQ(driver.Get(server.Url("/warm").c_str(), kHttpFlagKeepAlive, &warm.data,
                                 &warm.length, nullptr),
                      kHttpOk);
        }
        Body body;
        const std::string url = server.Url("/again");
        const int32_t result =
            std::string(c.verb) == "GET"
                ? driver.Get(url.c_str(), kHttpFlagKeepAlive, &body.data, &body.length, nullptr)
                : driver.Post(url.c_str(), kHttpFlagKeepAlive, "a=1", 3, kHttpContentForm, nullptr,
                              &body.data, &body.length);
        EXPECT_EQ(result, c.result);
        if (c.result == kHttpOk) {
            EXPECT_EQ(body.Text(), "again");
        }
        const auto requests = server.Requests();
        EXPECT_EQ(requests.size(), c.requests);
        EXPECT_EQ(server.Connections(), c.connections);
        if (requests.size() == 3) {
            EXPECT_EQ(requests[2].bytes, requests[1].bytes);
            EXPECT_EQ(requests[2].connection, 2);
        }
    }
}

TEST(SocketTimeouts, ConnectLimitStillReachesAndRefusesAtOnce) {
    ScriptedServer server;
    Start(server, {Answer("200 OK", "up")});
    QELHttpSocketDriver driver(nullptr, 1, 1);
    const uint32_t connectMs = 5000;
    ASSERT_EQ(driver.SetOption(kHttpOptionConnectTimeout, &connectMs, 4), kHttpOk);
    Body body;
    ASSERT_EQ(driver.Get(server.Url("/").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(body.Text(), "up");
    const std::string url = server.Url("/");
    server.Stop();
    // A new driver: the first one's connection would be found closed and opened again alike.
    QELHttpSocketDriver refused(nullptr, 1, 1);
    ASSERT_EQ(refused.SetOption(kHttpOptionConnectTimeout, &connectMs, 4), kHttpOk);
    Body none;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(refused.Get(url.c_str(), 0, &none.data, &none.length, nullptr), kHttpDisconnected);
    // Refused, not waited out: well within the limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(connectMs / 2));
}

}  // namespace
