#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "http/http_types.h"
#include "http/url.h"

namespace {

std::string Escaped(const char* url) {
    char* out = nullptr;
    EXPECT_EQ(EscapeUrl(url, &out, kHttpEscape), kHttpOk);
    std::string text = out ? out : "<null>";
    free(out);
    return text;
}

struct Split {
    int32_t result;
    QELHttpUrlParts parts;
    char scheme[32], host[64], user[32], password[32], path[64], extra[64];
};

// Measures, then copies every component into buffers.
Split SplitCopy(const char* url) {
    Split s = {};
    s.parts.structSize = sizeof(s.parts);
    s.result = SplitUrl(url, 0, 0, &s.parts);
    if (s.result != kHttpOk) return s;
    s.parts = {};
    s.parts.scheme = s.scheme;
    s.parts.schemeLength = sizeof(s.scheme);
    s.parts.host = s.host;
    s.parts.hostLength = sizeof(s.host);
    s.parts.userName = s.user;
    s.parts.userNameLength = sizeof(s.user);
    s.parts.password = s.password;
    s.parts.passwordLength = sizeof(s.password);
    s.parts.path = s.path;
    s.parts.pathLength = sizeof(s.path);
    s.parts.extra = s.extra;
    s.parts.extraLength = sizeof(s.extra);
    s.result = SplitUrl(url, 0, 0, &s.parts);
    return s;
}

TEST(EscapeUrl, PathAndQueryRules) {
    EXPECT_EQ(Escaped("http://h/a b~c"), "http://h/a%20b%7ec");
    EXPECT_EQ(Escaped("http://h/p?q=a b&c=~"), "http://h/p?q=a%20b&c=%7e");
    EXPECT_EQ(Escaped("http://h/%41:@;&#"), "http://h/%2541%3a%40%3b%26%23");
    EXPECT_EQ(Escaped("http://h/!$'()*+,-./=_AZaz09"), "http://h/!$'()*+,-./=_AZaz09");
    EXPECT_EQ(Escaped("https://host:8080"), "https://host:8080");
    EXPECT_EQ(Escaped("http://h/x?a:b@c;d"), "http://h/x?a:b@c;d");
}

TEST(EscapeUrl, RefusesOtherSchemesAndIgnoresOtherModes) {
    char* out = reinterpret_cast<char*>(1);
    EXPECT_EQ(EscapeUrl("ftp://h/x", &out, kHttpEscape), kHttpInvalidArg);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(EscapeUrl("http://h/x", &out, 0x1234), kHttpOk);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(EscapeUrl(nullptr, &out, kHttpEscape), kHttpInvalidArg);
}

TEST(EscapeUrl, DecodingUndoesEscaping) {
    char* out = nullptr;
    ASSERT_EQ(EscapeUrl("http://h/a%20b%7e%zz", &out, kHttpUnescape), kHttpOk);
    EXPECT_STREQ(out, "http://h/a b~%zz");
    free(out);
}

TEST(SplitUrl, AllComponentsOfAnHttpsUrl) {
    Split s = SplitCopy("https://u:p@h:8443/p/q?x=1");
    ASSERT_EQ(s.result, kHttpOk);
    EXPECT_EQ(s.parts.schemeNumber, kHttpSchemeHttps);
    EXPECT_STREQ(s.scheme, "https://");
    EXPECT_STREQ(s.user, "u");
    EXPECT_STREQ(s.password, "p");
    EXPECT_STREQ(s.host, "h");
    EXPECT_EQ(s.parts.port, 8443);
    EXPECT_STREQ(s.path, "/p/q");
    EXPECT_STREQ(s.extra, "?x=1");
    EXPECT_EQ(s.parts.pathLength, 4u);
}

TEST(SplitUrl, DefaultsAndEmptyComponents) {
    Split s = SplitCopy("https://h");
    ASSERT_EQ(s.result, kHttpOk);
    EXPECT_EQ(s.parts.port, 443);
    EXPECT_STREQ(s.path, "");
    EXPECT_STREQ(s.user, "");
    s = SplitCopy("http://h:/x#frag");
    ASSERT_EQ(s.result, kHttpOk);
    EXPECT_EQ(s.parts.port, 80);
    EXPECT_EQ(s.parts.schemeNumber, kHttpSchemeHttp);
    EXPECT_STREQ(s.extra, "#frag");
    s = SplitCopy("gopher://h/x");
    ASSERT_EQ(s.result, kHttpOk);
    EXPECT_EQ(s.parts.schemeNumber, kHttpSchemeUnknown);
    EXPECT_STREQ(s.scheme, "");
}

TEST(SplitUrl, PointerModePointsIntoTheUrl) {
    const char* url = "http://host:81/a/b?c";
    QELHttpUrlParts parts = {};
    parts.hostLength = 1;
    parts.pathLength = 1;
    ASSERT_EQ(SplitUrl(url, 0, 0, &parts), kHttpOk);
    EXPECT_EQ(parts.host, url + 7);
    EXPECT_EQ(parts.hostLength, 4u);
    EXPECT_EQ(parts.path, url + 14);
    EXPECT_EQ(parts.pathLength, 4u);
    EXPECT_EQ(parts.extra, nullptr);
    EXPECT_EQ(parts.extraLength, 2u);
}

TEST(SplitUrl, RefusesBadInput) {
    QELHttpUrlParts parts = {};
    EXPECT_EQ(SplitUrl(nullptr, 0, 0, &parts), kHttpInvalidArg);
    EXPECT_EQ(SplitUrl("http://u@h/", 0, 0, &parts), kHttpInvalidUrl);
    // A port text of 8 characters or more is refused, not cut.
    EXPECT_EQ(SplitUrl("http://h:12345678/", 0, 0, &parts), kHttpInvalidUrl);
    EXPECT_EQ(SplitUrl("http://h:70000/", 0, 0, &parts), kHttpInvalidUrl);
    char small[4];
    parts = {};
    parts.host = small;
    parts.hostLength = sizeof(small);
    EXPECT_EQ(SplitUrl("http://hhhh/", 0, 0, &parts), kHttpBufferTooSmall);
    // Pointer mode into an escaped copy would dangle.
    parts = {};
    parts.pathLength = 1;
    EXPECT_EQ(SplitUrl("http://h/a b", 0, 1, &parts), kHttpInvalidArg);
}

// Nothing that would reach another server than the URL names, or split the request line.
TEST(SplitRequestTarget, RefusesASecondAtAndLineBreaks) {
    for (const char* url : {"http://u:p@evil@good/", "http://h/a\nX: 1", "http://h\r/a"}) {
        QELHttpRequestTarget request;
        EXPECT_EQ(SplitRequestTarget(url, true, &request), kHttpInvalidUrl) << url;
    }
}

TEST(SplitUrl, EscapesFirstWhenAsked) {
    char path[32];
    QELHttpUrlParts parts = {};
    parts.path = path;
    parts.pathLength = sizeof(path);
    ASSERT_EQ(SplitUrl("http://h/a b", 0, 1, &parts), kHttpOk);
    EXPECT_STREQ(path, "/a%20b");
}

TEST(SplitUrl, LengthLimitsTheUrl) {
    char host[32];
    QELHttpUrlParts parts = {};
    parts.host = host;
    parts.hostLength = sizeof(host);
    ASSERT_EQ(SplitUrl("http://host/and/more", 11, 0, &parts), kHttpOk);
    EXPECT_STREQ(host, "host");
    EXPECT_EQ(parts.pathLength, 0u);
}

}  // namespace
