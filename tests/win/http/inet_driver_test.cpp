// The WinInet driver over the real WinInet, against the scripted loopback server.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "http/inet_driver.h"
#include "tests/unit/http/test_support.h"

namespace {

using httptest::Reply;

class InetDriver : public ::testing::Test {
  protected:
    void Serve(std::vector<Reply> replies) { Start(server, std::move(replies)); }
    std::string Request(size_t i) {
        auto requests = server.Requests();
        return i < requests.size() ? requests[i].bytes : "<no request " + std::to_string(i) + ">";
    }

    httptest::ScriptedServer server;
    QELHttpInetDriver driver{nullptr, 1, 1};
    Body body;
};

TEST_F(InetDriver, GetReadsTheBodyAndSendsTheRequestModelsLines) {
    Serve({Answer("200 OK", "hello", "Set-Cookie: w=1; Path=/\r\n")});
    int keepAlive = -1;
    ASSERT_EQ(driver.Get(server.Url("/dir/file?x=1").c_str(), kHttpFlagKeepAlive, &body.data,
                         &body.length, &keepAlive),
              kHttpOk);
    EXPECT_EQ(body.Text(), "hello");
    EXPECT_EQ(keepAlive, 1);
    std::string request = Request(0);
    EXPECT_EQ(request.substr(0, 27), "GET /dir/file?x=1 HTTP/1.1\r");
    EXPECT_NE(request.find("User-Agent: ORVANT HTTP CLIENT/v2.1-KV\r\n"), std::string::npos);
    EXPECT_NE(request.find("Accept: */*\r\n"), std::string::npos);
    EXPECT_NE(request.find("Proxy-Connection: Keep-Alive\r\n"), std::string::npos);
}

TEST_F(InetDriver, RangesStatusesAndHeaderQueries) {
    Serve({Answer("206 Partial Content", "abc", "Content-Range: bytes 10-12/100\r\n"),
           Answer("404 Not Found", "missing"),
           {"HTTP/1.1 204 No Content\r\n\r\n"}});
    ASSERT_EQ(
        driver.GetRange(server.Url("/f").c_str(), 0, 0, 10, 3, &body.data, &body.length, nullptr),
        kHttpOk);
    EXPECT_EQ(body.Text(), "abc");
    EXPECT_NE(Request(0).find("Range: bytes=10-12\r\n"), std::string::npos);
    char* value = nullptr;
    int32_t length = 0;
    ASSERT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryCustom, "Content-Range"),
              kHttpOk);
    EXPECT_STREQ(value, "bytes 10-12/100");
    free(value);
    ASSERT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryStatusCode | kHttpQueryNumber,
                               nullptr),
              kHttpOk);
    int32_t status = 0;
    memcpy(&status, value, 4);
    EXPECT_EQ(status, 206);
    free(value);
    EXPECT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryCustom, nullptr),
              kHttpInvalidArg);
    EXPECT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryContentType, "X"),
              kHttpInvalidArg);
    EXPECT_EQ(driver.QueryInfo(&value, &length, nullptr, kHttpQueryCustom, "X-None"),
              kHttpSendFailed);

    Body missing;
    EXPECT_EQ(driver.Get(server.Url("/n").c_str(), 0, &missing.data, &missing.length, nullptr),
              -404);
    EXPECT_EQ(missing.data, nullptr);
    EXPECT_EQ(missing.length, 0);
    Body empty;
    EXPECT_EQ(driver.Get(server.Url("/e").c_str(), 0, &empty.data, &empty.length, nullptr),
              kHttpOk);
    EXPECT_EQ(empty.data, nullptr);
}

TEST_F(InetDriver, HeadersAddedBeforeOpeningGoWithTheNextRequestOnly) {
    Serve({Answer("200 OK", "a"), Answer("200 OK", "b")});
    ASSERT_EQ(driver.AddRequestHeaders("X-Early: 1\r\n", kHttpAddCoalesceComma), kHttpOk);
    ASSERT_EQ(driver.Get(server.Url("/a").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    Body second;
    ASSERT_EQ(driver.Get(server.Url("/b").c_str(), 0, &second.data, &second.length, nullptr),
              kHttpOk);
    EXPECT_NE(Request(0).find("X-Early: 1\r\n"), std::string::npos);
    EXPECT_EQ(Request(1).find("X-Early"), std::string::npos);
}

TEST_F(InetDriver, ChunkedUploadFraming) {
    struct OnePiece : QELHttpSource {
        QELHttpDriver* owner = nullptr;
        void SetOwner(QELHttpDriver* o) override { owner = o; }
        int32_t GetInfo(int32_t* length, int* chunked) override {
            *length = 0;
            *chunked = 1;
            return 0;
        }
        int32_t SendNext(int* done) override {
            *done = 1;
            return owner->WriteData("abc", 3);
        }
        int32_t Rewind() override { return 0; }
    } source;
    Serve({Answer("200 OK", "thanks")});
    ASSERT_EQ(driver.PostFromSource(server.Url("/up").c_str(), 0, kHttpContentPlain, &source,
                                    nullptr, &body.data, &body.length),
              kHttpOk);
    EXPECT_EQ(body.Text(), "thanks");
    std::string request = Request(0);
    EXPECT_NE(request.find("Transfer-Encoding: chunked\r\n"), std::string::npos);
    std::string framed = "\r\n\r\n3\r\nabc\r\n0\r\n\r\n";
    ASSERT_GT(request.size(), framed.size());
    EXPECT_EQ(request.substr(request.size() - framed.size()), framed);
}

TEST_F(InetDriver, BodyCutShortGivesMinusFourWithTheBytesReceived) {
    Serve({{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", true}});
    ASSERT_EQ(driver.OpenRequest("GET", server.Url("/cut").c_str(), 0, 0), kHttpOk);
    ASSERT_EQ(driver.SendRequest(nullptr, 0, 0), kHttpOk);
    int32_t length = 10;
    char* data = nullptr;
    EXPECT_EQ(driver.ReadData(0, &length, &data), kHttpReadShort);
    EXPECT_EQ(length, 4);
    free(data);
}

TEST_F(InetDriver, ComputerNameIsContactedAsLocalhost) {
    Serve({Answer("200 OK", "local")});
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(name);
    ASSERT_TRUE(GetComputerNameA(name, &size));
    CharLowerA(name);
    std::string url = "http://" + std::string(name) + ":" + std::to_string(server.Port()) + "/";
    ASSERT_EQ(driver.Get(url.c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    EXPECT_EQ(body.Text(), "local");
    EXPECT_NE(Request(0).find("Host: localhost:"), std::string::npos) << Request(0);
}

TEST_F(InetDriver, OptionsAndFixedAnswers) {
    int32_t size = 0;
    EXPECT_EQ(driver.QueryOption(kHttpOptionConnectTimeout, nullptr, &size), kHttpOk);
    EXPECT_EQ(size, 4);
    uint32_t value = 0;
    EXPECT_EQ(driver.QueryOption(kHttpOptionConnectTimeout, &value, &size), kHttpOk);
    EXPECT_EQ(value, 10000u);
    EXPECT_EQ(driver.QueryOption(kHttpOptionReceiveTimeout, &value, &size), kHttpOk);
    EXPECT_EQ(value, 36000000u);
    EXPECT_EQ(driver.QueryOption(kHttpOptionSecurityFlags, &value, &size), kHttpInvalidArg);
    EXPECT_EQ(driver.QueryOption(kHttpOptionConnectTimeout, &value, nullptr), kHttpInvalidArg);
    uint32_t timeout = 5000;
    EXPECT_EQ(driver.SetOption(kHttpOptionSendTimeout, &timeout, 4), kHttpOk);
    EXPECT_EQ(driver.QueryOption(kHttpOptionSendTimeout, &value, &size), kHttpOk);
    EXPECT_EQ(value, 5000u);
    uint32_t flags = 0x3300;
    EXPECT_EQ(driver.SetOption(kHttpOptionSecurityFlags, &flags, 2), kHttpInvalidArg);
    EXPECT_EQ(driver.SetOption(kHttpOptionSecurityFlags, &flags, 4), kHttpOk);
    EXPECT_EQ(driver.SetOption(kHttpOptionUserName, "u", 2), kHttpIncorrectHandleState);
    EXPECT_EQ(driver.SetOption(kHttpOptionProxyUserName, "u", 2), kHttpIncorrectHandleState);
    EXPECT_EQ(driver.SetOption(12345, &flags, 4), kHttpInvalidArg);
    EXPECT_EQ(driver.SetOption(kHttpOptionSendTimeout, nullptr, 4), kHttpInvalidArg);
    EXPECT_EQ(driver.GetKind(), 'W');
    EXPECT_EQ(driver.Reserved9(nullptr), -1);
    EXPECT_EQ(driver.Reserved10(nullptr), -1);
    EXPECT_EQ(driver.Disconnect(), kHttpOk);
    char* text = nullptr;
    int32_t length = 0;
    EXPECT_EQ(driver.QueryInfo(&text, &length, nullptr, kHttpQueryRawHead, nullptr),
              kHttpDisconnected);
    EXPECT_EQ(driver.Connect(nullptr, 80, 0), kHttpNameNotResolved);
}

TEST_F(InetDriver, RefusedServerFailsTheRequest) {
    Serve({});
    std::string url = server.Url("/");
    server.Stop();
    int32_t result = driver.Get(url.c_str(), 0, &body.data, &body.length, nullptr);
    EXPECT_LT(result, 0);
    EXPECT_EQ(body.data, nullptr);
}

}  // namespace
