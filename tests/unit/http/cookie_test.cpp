// The process-wide cookie store: keys, matching by path prefixes, replacement, line format.
// Each case uses its own host, since the store lives as long as the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "http/cookie_store.h"
#include "http/http_types.h"
#include "http/socket_driver.h"
#include "tests/unit/http/test_support.h"

namespace {

std::string Line(const std::string& url, int headerForm = 1) {
    char* line = nullptr;
    int32_t result = BuildCookieLine(url.c_str(), &line, headerForm);
    std::string text = result == kHttpOk ? std::string(line) : "<" + std::to_string(result) + ">";
    free(line);
    return text;
}

const std::string kNothing = "<" + std::to_string(kHttpNoMoreItems) + ">";

TEST(CookieStore, RootPathIsSentEverywhereOnTheHost) {
    ASSERT_EQ(StoreCookie("http://root.test/x/y.cgi", "id=42; Path=/"), kHttpOk);
    EXPECT_EQ(Line("http://root.test/"), "Cookie: id=42; $Path=/\r\n");
    EXPECT_EQ(Line("http://root.test/other/page?q=1"), "Cookie: id=42; $Path=/\r\n");
    EXPECT_EQ(Line("http://root.test/", 0), "id=42; $Path=/");
    // Scheme, host and port text make the key.
    EXPECT_EQ(Line("http://root.test:80/"), kNothing);
    EXPECT_EQ(Line("https://root.test/"), kNothing);
    EXPECT_EQ(Line("http://other.test/"), kNothing);
}

TEST(CookieStore, DeeperPathsMatchOnlyBelowThem) {
    ASSERT_EQ(StoreCookie("http://deep.test/a/b.cgi", "s=1; Path=/a"), kHttpOk);
    EXPECT_EQ(Line("http://deep.test/a/x"), "Cookie: s=1; $Path=/a\r\n");
    EXPECT_EQ(Line("http://deep.test/a/b/c"), "Cookie: s=1; $Path=/a\r\n");
    EXPECT_EQ(Line("http://deep.test/a"), kNothing);
    ASSERT_EQ(StoreCookie("http://deep.test/a/b.cgi", "t=2; Path=/a/"), kHttpOk);
    EXPECT_EQ(Line("http://deep.test/a/b/c"), "Cookie: s=1; $Path=/a\r\n");
}

TEST(CookieStore, WithoutPathStoredButNeverSent) {
    ASSERT_EQ(StoreCookie("http://nopath.test/a", "lost=1"), kHttpOk);
    EXPECT_EQ(Line("http://nopath.test/"), kNothing);
    EXPECT_EQ(Line("http://nopath.test/a/b"), kNothing);
}

TEST(CookieStore, RefusesBadInput) {
    EXPECT_EQ(StoreCookie(nullptr, "a=1"), -1);
    EXPECT_EQ(StoreCookie("http://bad.test/", nullptr), -1);
    EXPECT_EQ(StoreCookie("ftp://bad.test/", "a=1; Path=/"), QEL_E_FAIL);
    EXPECT_EQ(StoreCookie("http://bad.test/a", "a=1; Path=/zzz"), QEL_E_FAIL);
    EXPECT_EQ(StoreCookie("http://bad.test/a", "no pair"), QEL_E_FAIL);
    EXPECT_EQ(Line("http://bad.test/a/b"), kNothing);
    char* line = nullptr;
    EXPECT_EQ(BuildCookieLine(nullptr, &line, 1), kHttpInvalidArg);
    EXPECT_EQ(BuildCookieLine("http://bad.test/", nullptr, 1), kHttpInvalidArg);
    // A version of 8 or more characters is cut, not copied past its field.
    EXPECT_EQ(StoreCookie("http://bad.test/", "v=1; Version=123456789012; Path=/"), kHttpOk);
    EXPECT_EQ(QELHttpCookieVersion("123456789012", 12), 1234567);
    EXPECT_EQ(QELHttpCookieVersion("12345678", 8), 1234567);
    EXPECT_EQ(QELHttpCookieVersion("1234567", 7), 1234567);
    EXPECT_EQ(QELHttpCookieVersion("29", 1), 2);
}

TEST(CookieStore, ReplacementByNamePrefix) {
    ASSERT_EQ(StoreCookie("http://repl.test/", "ab=1; Path=/"), kHttpOk);
    ASSERT_EQ(StoreCookie("http://repl.test/", "ab=2; Path=/"), kHttpOk);
    EXPECT_EQ(Line("http://repl.test/"), "Cookie: ab=2; $Path=/\r\n");
    ASSERT_EQ(StoreCookie("http://repl.test/", "abc=3; Path=/"), kHttpOk);
    EXPECT_EQ(Line("http://repl.test/"), "Cookie: abc=3; $Path=/\r\n");
    // A shorter new name does not replace a longer stored one.
    ASSERT_EQ(StoreCookie("http://repl.test/", "ab=4; Path=/"), kHttpOk);
    std::string both = Line("http://repl.test/");
    EXPECT_NE(both.find("abc=3; $Path=/"), std::string::npos) << both;
    EXPECT_NE(both.find("ab=4; $Path=/"), std::string::npos) << both;
}

TEST(CookieStore, ANewNameReplacesEveryStoredNameItBeginsWith) {
    // Longest first, so that none replaces another: twenty cookies c..c under one key.
    for (int n = 20; n >= 1; --n) {
        std::string cookie = std::string(n, 'c') + "=" + std::to_string(n) + "; Path=/";
        ASSERT_EQ(StoreCookie("http://many.test/", cookie.c_str()), kHttpOk) << n;
    }
    std::string all = Line("http://many.test/");
    EXPECT_NE(all.find("; c=1; $Path=/"), std::string::npos) << all;
    EXPECT_NE(all.find(std::string(20, 'c') + "=20"), std::string::npos) << all;
    std::string longest = std::string(25, 'c') + "=new; Path=/";
    ASSERT_EQ(StoreCookie("http://many.test/", longest.c_str()), kHttpOk);
    EXPECT_EQ(Line("http://many.test/"), "Cookie: " + std::string(25, 'c') + "=new; $Path=/\r\n");
}

TEST(CookieStore, TwoCookiesUnderOneKeyInTableOrder) {
    ASSERT_EQ(StoreCookie("http://two.test/p", "first=1; Path=/"), kHttpOk);
    ASSERT_EQ(StoreCookie("http://two.test/p", "second = 2 ; path=/"), kHttpOk);
    EXPECT_EQ(Line("http://two.test/q"), "Cookie: first=1; $Path=/; second=2; $Path=/\r\n");
}

TEST(CookieStore, PairParsingTrimsBlanks) {
    const char text[] = "  name = value ; rest";
    QELHttpCookiePair pair;
    ASSERT_EQ(QELHttpParseCookiePair(text, sizeof(text) - 1, &pair), kHttpOk);
    EXPECT_EQ(std::string(text + pair.nameStart, pair.nameLength), "name");
    EXPECT_EQ(std::string(text + pair.valueStart, pair.valueLength), "value");
    EXPECT_EQ(QELHttpParseCookiePair("novalue", 7, &pair), QEL_E_FAIL);
}

TEST(CookieStore, HashFollowsTheSampledCharacters) {
    EXPECT_EQ(QELHttpCookieHash("", 0), 0u);
    EXPECT_EQ(QELHttpCookieHash("ab", 2), 97u * 37u + 98u);
    // Bytes above 127 count as negative; the top bit is cleared.
    EXPECT_EQ(QELHttpCookieHash("\xff", 1), 0x7FFFFFFFu);
    // Long strings sample every length/64-th character only.
    std::string a(128, 'a');
    std::string b = a;
    b[1] = 'b';
    EXPECT_EQ(QELHttpCookieHash(a.data(), a.size()), QELHttpCookieHash(b.data(), b.size()));
    b[2] = 'b';
    EXPECT_NE(QELHttpCookieHash(a.data(), a.size()), QELHttpCookieHash(b.data(), b.size()));
}

TEST(CookieStore, CollidingKeysStayApart) {
    ASSERT_EQ(QELHttpCookieHash("http://victim.test/", 19),
              QELHttpCookieHash("http://evil.test/aahei93t", 25));
    ASSERT_EQ(StoreCookie("http://victim.test/", "session=SECRET; Path=/"), kHttpOk);
    // The victim's own name under the colliding key replaces nothing of the victim's.
    ASSERT_EQ(StoreCookie("http://evil.test/aahei93t/", "session=EVIL; Path=/aahei93t"), kHttpOk);
    EXPECT_EQ(Line("http://victim.test/x"), "Cookie: session=SECRET; $Path=/\r\n");
    EXPECT_EQ(Line("http://evil.test/aahei93t/page"), "Cookie: session=EVIL; $Path=/aahei93t\r\n");
    // A full colliding key gives up its own oldest, not the victim's; each name begins with the
    // victim's.
    for (int i = 0; i < 50; ++i) {
        std::string cookie = "session" + std::to_string(i) + "x=1; Path=/aahei93t";
        ASSERT_EQ(StoreCookie("http://evil.test/aahei93t/", cookie.c_str()), kHttpOk);
    }
    EXPECT_EQ(Line("http://evil.test/aahei93t/page").find("SECRET"), std::string::npos);
    EXPECT_EQ(Line("http://victim.test/x"), "Cookie: session=SECRET; $Path=/\r\n");
}

TEST(CookieStore, BoundsOnKeysCookiesAndLines) {
    // Cookies c1000, c1001... stored under the row's own key, their value length, header form;
    // pairs sent, and whether c1000 is among them.
    const int rows[][5] = {
        {51, 1, 1, 50, 0},   // 50 per key, the oldest replaced
        {1, 4081, 1, 1, 1},  // a Set-Cookie of 4096 bytes is kept,
        {1, 4082, 1, 0, 0},  // one of 4097 dropped
        {3, 4074, 1, 2, 1},  // two pairs make a line of exactly 8192 bytes,
        {3, 4075, 1, 1, 1},  // one more byte and the second stays out
        {3, 4079, 0, 2, 1}, {3, 4080, 0, 1, 1},
    };
    for (const auto& row : rows) {
        std::string path = "/" + std::to_string(&row - rows), url = "http://bounds.test" + path;
        for (int i = 0; i < row[0]; ++i) {
            std::string cookie = "c" + std::to_string(1000 + i) + "=" + std::string(row[1], 'v');
            cookie += "; Path=" + path;
            ASSERT_EQ(StoreCookie((url + "/").c_str(), cookie.c_str()), kHttpOk) << cookie.size();
        }
        std::string line = Line(url + "/x", row[2]);
        EXPECT_EQ(std::count(line.begin(), line.end(), '$'), row[3]) << row[1];
        EXPECT_EQ(line.find("c1000=") != std::string::npos, row[4] == 1) << row[1];
    }
}

TEST(CookieStore, AFullStoreGivesUpItsOldest) {
    for (int i = 0; i <= 3000; ++i) {
        std::string path = "/k" + std::to_string(i);
        std::string url = "http://total.test" + path + "/";
        ASSERT_EQ(StoreCookie(url.c_str(), ("a=1; Path=" + path).c_str()), kHttpOk);
    }
    EXPECT_EQ(Line("http://total.test/k0/x"), kNothing);
    EXPECT_EQ(Line("http://total.test/k1/x"), "Cookie: a=1; $Path=/k1\r\n");
}

// Cookies travel through the request model: stored from responses, sent with requests.
TEST(CookieStore, RequestsCarryAndStoreCookies) {
    httptest::ScriptedServer server;
    std::string error;
    ASSERT_TRUE(
        server.Start({Answer("200 OK", "", "Set-Cookie: k=v; Path=/\r\n"), Answer("200 OK", ""),
                      Answer("200 OK", "", "Set-Cookie: z=1; Path=/elsewhere\r\n")},
                     0, &error))
        << error;
    QELHttpSocketDriver driver(nullptr, 1, 1);
    Body body;
    ASSERT_EQ(driver.Get(server.Url("/a").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    ASSERT_EQ(driver.Get(server.Url("/b").c_str(), 0, &body.data, &body.length, nullptr), kHttpOk);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].bytes.find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].bytes.find("\r\nCookie: k=v; $Path=/\r\n"), std::string::npos);
    // A cookie for a path that is not in the URL fails the whole request.
    EXPECT_EQ(driver.Get(server.Url("/c").c_str(), 0, &body.data, &body.length, nullptr),
              QEL_E_FAIL);
}

}  // namespace
