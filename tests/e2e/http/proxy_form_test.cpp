// The request head the socket driver sends to a proxy, recorded by the scripted server in the
// proxy's place on 127.0.0.1:8080. "Proxy" is read at the first driver construction in the
// process, so this program holds only proxy cases.
#include <gtest/gtest.h>

#include <string>

#include "http/socket_driver.h"
#include "tests/unit/http/test_support.h"

namespace {

TEST(ProxyForm, AbsoluteTargetAndTheSameHostLine) {
    httptest::ScriptedServer proxy;
    std::string error;
    if (!proxy.Start({Answer("200 OK", "a"), Answer("200 OK", "b")}, 8080, &error))
        GTEST_SKIP() << "no scripted proxy: " << error;
    SetEnvironment("Proxy", "127.0.0.1");
    QELHttpSocketDriver driver(nullptr, 1, 1);
    ASSERT_STREQ(QELHttpSocketDriver::ProxyHost(), "127.0.0.1");
    const std::string agent = "User-Agent: ORVANT HTTP CLIENT/v2.0-KV\r\n";

    Body body;
    ASSERT_EQ(driver.Get("http://origin.test:8081/a?b=1", kHttpFlagKeepAlive, &body.data,
                         &body.length, nullptr),
              kHttpOk);
    EXPECT_EQ(body.Text(), "a");
    Body second;
    ASSERT_EQ(driver.Get("http://origin.test/", 0, &second.data, &second.length, nullptr), kHttpOk);
    auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].bytes,
              "GET http://origin.test:8081/a?b=1 HTTP/1.1\r\n"
              "Host: origin.test:8081\r\n" +
                  agent + "Proxy-Connection: Keep-Alive\r\n\r\n");
    EXPECT_EQ(requests[1].bytes,
              "GET http://origin.test/ HTTP/1.1\r\nHost: origin.test:80\r\n" + agent + "\r\n");
}

TEST(ProxyForm, ProxyChallengeWithoutCredentialsFails) {
    httptest::ScriptedServer proxy;
    std::string error;
    if (!proxy.Start({Answer("407 Proxy Authentication Required", "",
                             "Proxy-Authenticate: Basic realm=\"office\"\r\n")},
                     8080, &error))
        GTEST_SKIP() << "no scripted proxy: " << error;
    SetEnvironment("Proxy", "127.0.0.1");
    QELHttpSocketDriver driver(nullptr, 1, 1);
    Body body;
    EXPECT_EQ(driver.Get("http://origin.test/", 0, &body.data, &body.length, nullptr), -1);
    EXPECT_EQ(body.data, nullptr);
}

}  // namespace
