// The socket driver against the scripted server: the exact request bytes, framing, reuse,
// status handling and redirects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "http/http_client.h"
#include "http/socket_driver.h"
#include "tests/unit/http/test_support.h"

namespace {

using httptest::Reply;

const std::string kAgent = "User-Agent: ORVANT HTTP CLIENT/v2.0-KV\r\n";

class SocketDriver : public ::testing::Test {
  protected:
    void Serve(std::vector<Reply> replies) { Start(server, std::move(replies)); }
    std::string Request(size_t i) {
        auto requests = server.Requests();
        return i < requests.size() ? requests[i].bytes : "<no request " + std::to_string(i) + ">";
    }
    std::string HostLine() { return "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"; }

    httptest::ScriptedServer server;
    QELHttpSocketDriver driver{nullptr, 1, 1};
    Body body;
};

TEST_F(SocketDriver, KeepAliveGetIsComposedByteForByte) {
    Serve({Answer("200 OK", "hello")});
    int keepAlive = -1;
    ASSERT_EQ(driver.Get(server.Url("/dir/file?x").c_str(), kHttpFlagKeepAlive, &body.data,
                         &body.length, &keepAlive),
              kHttpOk);
    EXPECT_EQ(body.Text(), "hello");
    EXPECT_EQ(keepAlive, 1);
    EXPECT_EQ(Request(0), "GET /dir/file?x HTTP/1.1\r\n" + HostLine() + kAgent +
                              "Connection: Keep-Alive\r\n\r\n");
}

TEST_F(SocketDriver, UrlWithoutPathAsksForRootAndVersionIsKept) {
    Serve({Answer("200 OK", "")});
    QELHttpSocketDriver old("Agent/1\r\n", 1, 0);
    ASSERT_EQ(old.Get(server.Url("").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(Request(0), "GET / HTTP/1.0\r\n" + HostLine() + "User-Agent: Agent/1\r\n\r\n");
    QELHttpSocketDriver odd(nullptr, 2, 5);
    EXPECT_EQ(odd.MajorVersion(), 1);
    EXPECT_EQ(odd.MinorVersion(), 1);
}

TEST_F(SocketDriver, AcceptLineOnlyWithHeadersAddedBeforeTheRequest) {
    Serve({Answer("200 OK", "a"), Answer("200 OK", "b")});
    ASSERT_EQ(driver.AddRequestHeaders("X-Early: 1\r\n", kHttpAddCoalesceComma), kHttpOk);
    ASSERT_EQ(driver.Get(server.Url("/a").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(Request(0),
              "GET /a HTTP/1.1\r\n" + HostLine() + kAgent + "X-Early: 1\r\nAccept: */*\r\n\r\n");
    ASSERT_EQ(driver.OpenRequest("GET", server.Url("/b").c_str(), 0, 0), kHttpOk);
    ASSERT_EQ(driver.AddRequestHeaders("X-Late: 2\r\n", kHttpAddCoalesceComma), kHttpOk);
    ASSERT_EQ(driver.AddRequestHeaders("X-Late: 3\r\n", kHttpAddCoalesceComma), kHttpOk);
    ASSERT_EQ(driver.SendRequest(nullptr, 0, 0), kHttpOk);
    EXPECT_EQ(Request(1), "GET /b HTTP/1.1\r\n" + HostLine() + kAgent + "X-Late: 2,  3\r\n\r\n");
}

TEST_F(SocketDriver, RangeAndContentLinesComeInOrder) {
    Serve({Answer("206 Partial", "xy"), Answer("200 OK", "r"), Answer("200 OK", "")});
    ASSERT_EQ(driver.GetRange(server.Url("/f").c_str(), 0, 0, 1048576, 524288, &body.data,
                              &body.length, nullptr),
              kHttpOk);
    EXPECT_EQ(Request(0), "GET /f HTTP/1.1\r\n" + HostLine() + kAgent +
                              "Accept-Ranges: bytes\r\nRange: bytes=1048576-1572863\r\n\r\n");
    Body reply;
    ASSERT_EQ(driver.Post(server.Url("/p").c_str(), 0, "<a/>", 4, kHttpContentXml, nullptr,
                          &reply.data, &reply.length),
              kHttpOk);
    EXPECT_EQ(Request(1), "POST /p HTTP/1.1\r\n" + HostLine() + kAgent +
                              "Content-Type: text/xml\r\n" + "Content-Length: 4\r\n\r\n<a/>");
    ASSERT_EQ(driver.Put(server.Url("/u").c_str(), 0, "ab", 2, kHttpContentOctets, nullptr),
              kHttpOk);
    EXPECT_EQ(Request(2),
              "PUT /u HTTP/1.1\r\n" + HostLine() + kAgent +
                  "Content-Type: application/octetstream\r\nContent-Length: 2\r\n\r\nab");
}

TEST_F(SocketDriver, RangeForms) {
    Serve({Answer("206 Partial", "a"), Answer("206 Partial", "b")});
    ASSERT_EQ(
        driver.GetRange(server.Url("/f").c_str(), 0, 2, 0, 500, &body.data, &body.length, nullptr),
        kHttpOk);
    EXPECT_NE(Request(0).find("\r\nRange: bytes=-500\r\n"), std::string::npos);
    Body second;
    ASSERT_EQ(driver.GetRange(server.Url("/f").c_str(), 0, 2, 10, 20, &second.data, &second.length,
                              nullptr),
              kHttpOk);
    EXPECT_NE(Request(1).find("\r\nRange: bytes=10-20\r\n"), std::string::npos);
    Body third;
    EXPECT_EQ(
        driver.GetRange(server.Url("/f").c_str(), 0, 1, 0, 5, &third.data, &third.length, nullptr),
        kHttpInvalidArg);
    EXPECT_EQ(driver.GetRange(server.Url("/f").c_str(), 0, 0, 0x7FFFFFF0, 100, &third.data,
                              &third.length, nullptr),
              kHttpInvalidArg);
}

TEST_F(SocketDriver, ReusesAnOpenConnectionAndReconnectsAfterAClose) {
    Serve({Answer("200 OK", "1"), Answer("200 OK", "2", "", true), Answer("200 OK", "3")});
    for (const char* expected : {"1", "2"}) {
        Body b;
        ASSERT_EQ(
            driver.Get(server.Url("/").c_str(), kHttpFlagKeepAlive, &b.data, &b.length, nullptr),
            kHttpOk);
        EXPECT_EQ(b.Text(), expected);
    }
    EXPECT_EQ(server.Connections(), 1);
    ASSERT_TRUE(server.WaitClosed(1, 5000));
    Body b;
    ASSERT_EQ(driver.Get(server.Url("/").c_str(), kHttpFlagKeepAlive, &b.data, &b.length, nullptr),
              kHttpOk);
    EXPECT_EQ(b.Text(), "3");
    EXPECT_EQ(server.Connections(), 2);
}

TEST_F(SocketDriver, ContinueHeadIsSkipped) {
    Serve({{"HTTP/1.1 100 Continue\r\n\r\n" + Answer("200 OK", "done").bytes}});
    ASSERT_EQ(driver.Post(server.Url("/").c_str(), 0, "x", 1, kHttpContentPlain, nullptr,
                          &body.data, &body.length),
              kHttpOk);
    EXPECT_EQ(body.Text(), "done");
    char* status = nullptr;
    int32_t length = 0;
    ASSERT_EQ(driver.QueryInfo(&status, &length, nullptr, kHttpQueryStatusCode, nullptr), kHttpOk);
    EXPECT_STREQ(status, "200");
    free(status);
}

TEST_F(SocketDriver, ChunkedAndUntilCloseBodies) {
    Serve({{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n0\r\n\r\n"},
           {"HTTP/1.1 200 OK\r\nConnection: Close\r\n\r\nuntil the end", true}});
    ASSERT_EQ(driver.Get(server.Url("/c").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(body.Text(), "hello");
    EXPECT_EQ(body.length, 5);
    Body rest;
    int keepAlive = -1;
    ASSERT_EQ(driver.Get(server.Url("/u").c_str(), 0, &rest.data, &rest.length, &keepAlive),
              kHttpOk);
    EXPECT_EQ(rest.Text(), "until the end");
    EXPECT_EQ(keepAlive, 0);
}

TEST_F(SocketDriver, HeaderQueriesOverTheLastResponse) {
    Serve(
        {Answer("200 OK", "abc",
                "Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2; Path=/\r\nSet-Cookie: c=3; Path=/\r\n"
                "Content-Range:  bytes 0-2/3\r\n")});
    ASSERT_EQ(driver.Get(server.Url("/q").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    int32_t index = 0;
    for (const char* expected : {"a=1; Path=/", "b=2; Path=/", "c=3; Path=/"}) {
        char* value = nullptr;
        int32_t length = 0;
        ASSERT_EQ(driver.QueryInfo(&value, &length, &index, kHttpQuerySetCookie, nullptr), kHttpOk);
        EXPECT_STREQ(value, expected);
        free(value);
    }
    char* value = nullptr;
    int32_t length = 0;
    EXPECT_EQ(driver.QueryInfo(&value, &length, &index, kHttpQuerySetCookie, nullptr),
              kHttpHeaderNotFound);
    ASSERT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryCustom, "Content-Range:  "),
              kHttpOk);
    EXPECT_STREQ(value, "bytes 0-2/3");
    free(value);
    ASSERT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryContentLength | kHttpQueryNumber,
                               nullptr),
              kHttpOk);
    int32_t number = 0;
    memcpy(&number, value, 4);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(length, 4);
    free(value);
    EXPECT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryConnection, nullptr),
              kHttpHeaderNotFound);
}

TEST_F(SocketDriver, ProxyChallengeWithoutCredentialsFails) {
    Serve({Answer("407 Proxy Authentication Required", "no",
                  "Proxy-Authenticate: Basic realm=\"proxy\"\r\n")});
    EXPECT_EQ(driver.Get(server.Url("/").c_str(), 0, &body.data, &body.length, nullptr), -1);
    EXPECT_EQ(body.data, nullptr);
}

TEST_F(SocketDriver, Options) {
    uint32_t flags = 0x3300;
    EXPECT_EQ(driver.SetOption(kHttpOptionSecurityFlags, &flags, 4), kHttpOk);
    EXPECT_EQ(driver.SetOption(kHttpOptionSecurityFlags, &flags, 2), kHttpInvalidArg);
    for (uint32_t option :
         {kHttpOptionConnectTimeout, kHttpOptionSendTimeout, kHttpOptionReceiveTimeout}) {
        EXPECT_EQ(driver.SetOption(option, &flags, 4), kHttpOk);
        EXPECT_EQ(driver.SetOption(option, &flags, 2), kHttpInvalidArg);
        EXPECT_EQ(driver.SetOption(option, nullptr, 4), kHttpInvalidArg);
    }
    EXPECT_EQ(driver.SetOption(kHttpOptionUserName, "u", 2), kHttpInvalidArg);
    EXPECT_EQ(driver.SetOption(12345, &flags, 4), kHttpInvalidArg);
    uint32_t value = 77;
    int32_t size = 4;
    EXPECT_EQ(driver.QueryOption(kHttpOptionConnectTimeout, &value, &size), kHttpOk);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(driver.GetKind(), 'D');
    EXPECT_EQ(driver.Reserved9(nullptr), -1);
    EXPECT_EQ(driver.Reserved10(nullptr), -1);
}

TEST_F(SocketDriver, RedirectRules) {
    Serve({});
    std::string self = "Location: " + server.Url("/final") + "\r\n";
    server.SetReplies(
        {Answer("301 Moved", "", self), Answer("301 Moved", "", self), Answer("200 OK", "there")});
    EXPECT_EQ(driver.Get(server.Url("/old").c_str(), kHttpFlagNoRedirect, &body.data, &body.length,
                         nullptr),
              -301);
    EXPECT_EQ(body.data, nullptr);
    Body followed;
    ASSERT_EQ(driver.Get(server.Url("/old").c_str(), 0, &followed.data, &followed.length, nullptr),
              kHttpOk);
    EXPECT_EQ(followed.Text(), "there");
    EXPECT_EQ(Request(2).substr(0, 16), "GET /final HTTP/");
}

TEST_F(SocketDriver, RedirectedPostIsPostedAgain) {
    Serve({});
    std::string location = "Location: " + server.Url("/second") + "\r\n";
    server.SetReplies({Answer("302 Found", "moved", location), Answer("200 OK", "ok")});
    ASSERT_EQ(driver.Post(server.Url("/first").c_str(), 0, "a=1", 3, kHttpContentForm, nullptr,
                          &body.data, &body.length),
              kHttpOk);
    EXPECT_EQ(body.Text(), "ok");
    std::string second = Request(1);
    EXPECT_EQ(second.substr(0, 18), "POST /second HTTP/");
    EXPECT_NE(second.find("Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos);
    EXPECT_EQ(second.substr(second.size() - 3), "a=1");
}

TEST_F(SocketDriver, RedirectLoopsEndAfterABoundedDepth) {
    Serve({});
    server.SetReplies(std::vector<Reply>(
        30, Answer("302 Found", "", "Location: " + server.Url("/loop") + "\r\n")));
    EXPECT_EQ(driver.Get(server.Url("/loop").c_str(), 0, &body.data, &body.length, nullptr), -302);
    EXPECT_EQ(server.Requests().size(), static_cast<size_t>(kHttpMaxRedirectDepth) + 1);
    // Head goes the same way, bounded the same way.
    QELHttpFileInfo info;
    EXPECT_EQ(driver.Head(server.Url("/loop").c_str(), 0, &info), 302);
    EXPECT_EQ(server.Requests().size(), 2 * (static_cast<size_t>(kHttpMaxRedirectDepth) + 1));
    EXPECT_EQ(Request(2 * kHttpMaxRedirectDepth + 1).substr(0, 10), "HEAD /loop");
}

TEST_F(SocketDriver, FailureStatusLeavesNoBodyAndTheConnectionUsable) {
    Serve({Answer("404 Not Found", "missing"),
           {"HTTP/1.1 204 No Content\r\n\r\n"},
           Answer("200 OK", "after")});
    body.length = 99;
    EXPECT_EQ(driver.Get(server.Url("/x").c_str(), 0, &body.data, &body.length, nullptr), -404);
    EXPECT_EQ(body.data, nullptr);
    EXPECT_EQ(body.length, 0);
    Body empty;
    ASSERT_EQ(driver.Get(server.Url("/y").c_str(), 0, &empty.data, &empty.length, nullptr),
              kHttpOk);
    EXPECT_EQ(empty.data, nullptr);
    Body after;
    ASSERT_EQ(driver.Get(server.Url("/z").c_str(), 0, &after.data, &after.length, nullptr),
              kHttpOk);
    EXPECT_EQ(after.Text(), "after");
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(SocketDriver, DiscardModeReadsNoBody) {
    Serve({Answer("200 OK", "ignored", "", true)});
    EXPECT_EQ(driver.Get(server.Url("/").c_str(), 0, QEL_HTTP_DISCARD_BODY, QEL_HTTP_DISCARD_LENGTH,
                         nullptr),
              kHttpOk);
    EXPECT_EQ(driver.Get(server.Url("/").c_str(), 0, QEL_HTTP_DISCARD_BODY, &body.length, nullptr),
              kHttpInvalidArg);
}

TEST_F(SocketDriver, LongPathsAreComposedWhole) {
    Serve({Answer("200 OK", "")});
    std::string path = "/" + std::string(3000, 'p');
    ASSERT_EQ(driver.Get(server.Url(path).c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    std::string line = "GET " + path + " HTTP/1.1\r\n";
    EXPECT_EQ(Request(0).substr(0, line.size()), line);
}

TEST_F(SocketDriver, HeadDescribesTheResource) {
    Serve({{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"},
           {"HTTP/1.1 200 OK\r\n\r\n"},
           {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}});
    QELHttpFileInfo info;
    memset(&info, 0xFF, sizeof(info));
    ASSERT_EQ(driver.Head(server.Url("/f").c_str(), 0, &info), kHttpOk);
    EXPECT_EQ(info.mode, 0x8180);
    EXPECT_EQ(info.size, 10);
    EXPECT_EQ(info.modificationTime, 0);
    EXPECT_EQ(Request(0).substr(0, 15), "HEAD /f HTTP/1.");
    ASSERT_EQ(driver.Head(server.Url("/d").c_str(), 0, &info), kHttpOk);
    EXPECT_EQ(info.mode, 0x4180);
    EXPECT_EQ(info.size, 0);
    EXPECT_EQ(driver.Head(server.Url("/n").c_str(), 0, &info), 404);
}

TEST_F(SocketDriver, HeadFollowsAPathOnlyLocationOnTheSameServer) {
    Serve({{"HTTP/1.1 302 Found\r\nLocation: /f\r\nContent-Length: 0\r\n\r\n"},
           {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"}});
    QELHttpFileInfo info;
    ASSERT_EQ(driver.Head(server.Url("/old").c_str(), 0, &info), kHttpOk);
    EXPECT_EQ(info.size, 10);
    EXPECT_EQ(Request(1).substr(0, 15), "HEAD /f HTTP/1.");
}

TEST_F(SocketDriver, ChunkedUploadFromASource) {
    struct Pieces : QELHttpSource {
        QELHttpDriver* owner = nullptr;
        int next = 0;
        void SetOwner(QELHttpDriver* o) override { owner = o; }
        int32_t GetInfo(int32_t* length, int* chunked) override {
            *length = 0;
            *chunked = 1;
            return 0;
        }
        int32_t SendNext(int* done) override {
            int32_t result = owner->WriteData(next == 0 ? "abc" : "de", next == 0 ? 3 : 2);
            *done = ++next >= 2;
            return result;
        }
        int32_t Rewind() override {
            next = 0;
            return 0;
        }
    } source;
    // A redirect posts the whole body again, from its first piece.
    Serve({});
    server.SetReplies({Answer("302 Found", "", "Location: " + server.Url("/there") + "\r\n"),
                       Answer("200 OK", "thanks")});
    ASSERT_EQ(driver.PostFromSource(server.Url("/up").c_str(), 0, kHttpContentPlain, &source,
                                    nullptr, &body.data, &body.length),
              kHttpOk);
    for (size_t i : {0, 1}) {
        EXPECT_NE(Request(i).find("Content-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"),
                  std::string::npos)
            << i;
    }
}

// After Abort no operation sends anything.
TEST_F(SocketDriver, EveryOperationAfterAbortIsCancelled) {
    Serve({Answer("200 OK", "a"), Answer("200 OK", "b")});
    const std::string url = server.Url("/");
    driver.Abort();
    QELHttpFileInfo info;
    EXPECT_EQ(driver.Get(url.c_str(), 0, &body.data, &body.length, nullptr), kHttpCancelled);
    EXPECT_EQ(driver.Head(url.c_str(), 0, &info), kHttpCancelled);
    EXPECT_EQ(driver.Put(url.c_str(), 0, "x", 1, kHttpContentPlain, nullptr), kHttpCancelled);
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(SocketDriver, RefusedServerGivesAConnectError) {
    Serve({});
    std::string url = server.Url("/");
    server.Stop();
    EXPECT_EQ(driver.Get(url.c_str(), 0, &body.data, &body.length, nullptr), kHttpDisconnected);
    EXPECT_EQ(driver.Get("http://no.such.host.invalid/", 0, &body.data, &body.length, nullptr),
              kHttpDisconnected);
}

}  // namespace
