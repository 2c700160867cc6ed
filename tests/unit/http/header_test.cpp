// Header text rules: merging request lines, header queries, response heads, body readers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "http/header_text.h"
#include "http/http_types.h"
#include "http/socket_driver.h"
#include "tests/unit/http/memory_connection.h"

namespace {

struct Merged {
    int32_t result;
    std::string text;
};

Merged Merge(const char* start, const char* line, uint32_t modifiers) {
    char* buffer = start ? strdup(start) : nullptr;
    int32_t length = start ? static_cast<int32_t>(strlen(start)) : 0;
    int32_t result = QELHttpMergeHeader(line, modifiers, &length, &buffer);
    Merged merged = {result, buffer ? std::string(buffer, length) : std::string()};
    free(buffer);
    return merged;
}

TEST(MergeHeader, ExtendsOrAppends) {
    EXPECT_EQ(Merge("Accept: text/xml\r\n", "Accept: */*\r\n", kHttpAddCoalesceComma).text,
              "Accept: text/xml,  */*\r\n");
    EXPECT_EQ(Merge("A: 1\r\nB: 2\r\n", "A: 3\r\n", kHttpAddCoalesceSemicolon).text,
              "A: 1;  3\r\nB: 2\r\n");
    EXPECT_EQ(Merge("A: 1\r\n", "B: 2\r\n", kHttpAddCoalesceComma).text, "A: 1\r\nB: 2\r\n");
    EXPECT_EQ(Merge(nullptr, "B: 2\r\n", kHttpAddCoalesceComma).text, "B: 2\r\n");
    // Names are matched at line starts only.
    EXPECT_EQ(Merge("X-Range: 1\r\n", "Range: 2\r\n", kHttpAddCoalesceComma).text,
              "X-Range: 1\r\nRange: 2\r\n");
}

// A text of several lines merges each line on its own, and a bad line changes nothing.
TEST(MergeHeader, MergesEachLineOfAText) {
    const struct {
        const char* start;
        const char* text;
        int32_t result;
        const char* merged;
    } kCases[] = {
        {"A: 1\r\n", "A: 2\r\nB: 3\r\n", kHttpOk, "A: 1,  2\r\nB: 3\r\n"},
        {"B: 1\r\n", "A: 2\r\nB: 3\r\n", kHttpOk, "B: 1,  3\r\nA: 2\r\n"},
        {nullptr, "A: 1\r\nA: 2\r\n", kHttpOk, "A: 1,  2\r\n"},
        {"A: 1\r\n", "B: 2\r\nno colon\r\n", kHttpInvalidHeader, "A: 1\r\n"},
        {"A: 1\r\n", "B: 2\r\n\r\n", kHttpInvalidHeader, "A: 1\r\n"},
    };
    for (const auto& c : kCases) {
        Merged merged = Merge(c.start, c.text, kHttpAddCoalesceComma);
        EXPECT_EQ(merged.result, c.result) << c.text;
        EXPECT_EQ(merged.text, c.merged) << c.text;
    }
}

TEST(MergeHeader, RefusesMalformedLines) {
    EXPECT_EQ(Merge("", nullptr, kHttpAddCoalesceComma).result, kHttpOk);
    EXPECT_EQ(Merge("", "A: 1", kHttpAddCoalesceComma).result, kHttpInvalidArg);
    EXPECT_EQ(Merge("", "\r\n", kHttpAddCoalesceComma).result, kHttpInvalidArg);
    EXPECT_EQ(Merge("", "no colon\r\n", kHttpAddCoalesceComma).result, kHttpInvalidHeader);
    std::string longName(128, 'n');
    EXPECT_EQ(Merge("", (longName + ": v\r\n").c_str(), kHttpAddCoalesceComma).result,
              kHttpInvalidHeader);
    EXPECT_EQ(Merge("", "A: 1\r\n", kHttpAddReplace).result, kHttpInvalidOption);
    int32_t length = 0;
    EXPECT_EQ(QELHttpMergeHeader("A: 1\r\n", kHttpAddCoalesceComma, &length, nullptr),
              kHttpInvalidArg);
}

const char kHead[] =
    "HTTP/1.1 200 OK\r\n"
    "Set-Cookie: a=1\r\n"
    "Content-Length: 42\r\n"
    "Set-Cookie: b=2\r\n"
    "Content-Range: bytes 0-1/2\r\n"
    "X-Two:  two blanks\r\n"
    "Set-Cookie: c=3\r\n"
    "\r\n";

struct Query {
    int32_t result;
    std::string value;
    int32_t number;
};

Query Ask(const char* head, uint32_t level, const char* name = nullptr, int32_t* index = nullptr) {
    QELHttpHeadAnswer answer;
    Query q = {QELHttpQueryHead(head, strlen(head), level, name, index, &answer), "", 0};
    if (q.result == kHttpOk) {
        q.value.assign(answer.value, answer.length);
        q.number = answer.number;
    }
    free(answer.value);
    return q;
}

TEST(HeaderQuery, SetCookieByIndex) {
    int32_t index = 0;
    EXPECT_EQ(Ask(kHead, kHttpQuerySetCookie, nullptr, &index).value, "a=1");
    EXPECT_EQ(Ask(kHead, kHttpQuerySetCookie, nullptr, &index).value, "b=2");
    EXPECT_EQ(Ask(kHead, kHttpQuerySetCookie, nullptr, &index).value, "c=3");
    EXPECT_EQ(index, 3);
    EXPECT_EQ(Ask(kHead, kHttpQuerySetCookie, nullptr, &index).result, kHttpHeaderNotFound);
    EXPECT_EQ(index, 3);
}

TEST(HeaderQuery, CustomNamesNumbersAndRawHead) {
    EXPECT_EQ(Ask(kHead, kHttpQueryCustom, "X-Two:  ").value, "two blanks");
    EXPECT_EQ(Ask(kHead, kHttpQueryCustom, "Content-Range:  ").result, kHttpHeaderNotFound);
    EXPECT_EQ(Ask(kHead, kHttpQueryCustom, "Content-Range: ").value, "bytes 0-1/2");
    EXPECT_EQ(Ask(kHead, kHttpQueryCustom).result, kHttpInvalidArg);
    EXPECT_EQ(Ask(kHead, kHttpQueryContentType, "X: ").result, kHttpInvalidArg);
    Query status = Ask(kHead, kHttpQueryStatusCode | kHttpQueryNumber);
    EXPECT_EQ(status.number, 200);
    EXPECT_EQ(status.value.size(), 4u);
    EXPECT_EQ(Ask(kHead, kHttpQueryStatusCode).value, "200");
    EXPECT_EQ(Ask(kHead, kHttpQueryContentLength | kHttpQueryNumber).number, 42);
    EXPECT_EQ(Ask("HTTP/1.1 200 OK\r\nContent-length: 7\r\n\r\n",
                  kHttpQueryContentLength | kHttpQueryNumber)
                  .number,
              7);
    EXPECT_EQ(Ask(kHead, kHttpQueryRawHead).value, kHead);
    EXPECT_EQ(Ask(kHead, kHttpQueryConnection).result, kHttpHeaderNotFound);
    EXPECT_EQ(Ask("HTTP/1.1 200 OK\r\nServer: x", kHttpQueryServer).result, kHttpInvalidResponse);
}

TEST(HeaderQuery, StatusWordsLongerThanTheirFieldsAreRefused) {
    EXPECT_EQ(Ask("HTTP/1.10 200 OK\r\n\r\n", kHttpQueryStatusCode).value, "200");
    EXPECT_EQ(Ask("HTTP/1.100 200 OK\r\n\r\n", kHttpQueryStatusCode).result, kHttpInvalidResponse);
    EXPECT_EQ(Ask("HTTP/1.1 1234567 OK\r\n\r\n", kHttpQueryStatusCode).value, "1234567");
    EXPECT_EQ(Ask("HTTP/1.1 12345678 OK\r\n\r\n", kHttpQueryStatusCode).result,
              kHttpInvalidResponse);
    EXPECT_EQ(Ask("HTTP/2 200\r\n\r\n", kHttpQueryStatusCode).result, kHttpInvalidResponse);
}

class ResponseHead : public ::testing::Test {
  protected:
    int32_t Parse(const char* head, const char* verb = "GET", uint32_t flags = 0) {
        free(info.location);
        info = QELHttpResponseInfo();
        return driver.ParseResponseHead("http://h/", verb, head, static_cast<int32_t>(strlen(head)),
                                        flags, &info);
    }
    void TearDown() override { free(info.location); }
    QELHttpSocketDriver driver{nullptr, 1, 1};
    QELHttpResponseInfo info;
};

TEST_F(ResponseHead, StatusLineAndKeepAlive) {
    ASSERT_EQ(Parse("HTTP/1.0 200 OK\r\nConnection: close\r\n\r\n"), kHttpOk);
    EXPECT_EQ(info.minorVersion, 0);
    EXPECT_EQ(info.status, 200);
    EXPECT_EQ(info.keepAlive, 1);
    ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nConnection: Close\r\n\r\n"), kHttpOk);
    EXPECT_EQ(info.keepAlive, 0);
    EXPECT_EQ(Parse("HTTP/11 200 OK\r\n\r\n"), kHttpBadFraming);
    EXPECT_EQ(Parse("HTTP/0.9 200 OK\r\n\r\n"), kHttpBadFraming);
    EXPECT_EQ(Parse("HTTP/1.1 OK\r\n\r\n"), kHttpBadFraming);
    EXPECT_EQ(Parse("ICY 200 OK\r\n\r\n"), kHttpBadFraming);
}

TEST_F(ResponseHead, BodyFraming) {
    ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: 12\r\nContent-Type: text/plain\r\n\r\n"),
              kHttpOk);
    EXPECT_EQ(info.contentLength, 12);
    EXPECT_EQ(info.hasBody, 1);
    EXPECT_EQ(info.notPlain, 0);
    ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-type: text/xml\r\nContent-length: 0\r\n\r\n"),
              kHttpOk);
    EXPECT_EQ(info.hasBody, 0);
    EXPECT_EQ(info.notPlain, 1);
    ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"), kHttpOk);
    EXPECT_EQ(info.chunked, 1);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked"), kHttpBadFraming);
    ASSERT_EQ(Parse("HTTP/1.1 204 No Content\r\n\r\n"), kHttpOk);
    EXPECT_EQ(info.hasBody, 0);
    ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "HEAD"), kHttpOk);
    EXPECT_EQ(info.hasBody, 0);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n"), kHttpBadFraming);
}

// Lengths are read in 64 bits on every platform: where long has 32 bits a value of 2^31 and
// more must not be clamped and accepted, nor cut to its low 32 bits where long is wider.
TEST_F(ResponseHead, ContentLengthsBeyondThirtyTwoBitsAreRefusedByParserAndQuery) {
    const struct {
        const char* value;
        bool valid;
        int32_t length;
    } rows[] = {
        {"0", true, 0},           {"2147483647", true, 2147483647},
        {"  12abc", true, 12},    {"2147483648", false, 0},
        {"4294967301", false, 0}, {"99999999999999999999999", false, 0},
        {"-1", false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        const std::string head =
            std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + row.value + "\r\n\r\n";
        EXPECT_EQ(Parse(head.c_str()), row.valid ? kHttpOk : kHttpBadFraming);
        if (row.valid) {
            EXPECT_EQ(info.contentLength, row.length);
        }
        const Query number = Ask(head.c_str(), kHttpQueryContentLength | kHttpQueryNumber);
        EXPECT_EQ(number.result, row.valid ? kHttpOk : kHttpInvalidResponse);
        if (row.valid) {
            EXPECT_EQ(number.number, row.length);
        }
    }
}

TEST_F(ResponseHead, RedirectsAndChallenges) {
    ASSERT_EQ(Parse("HTTP/1.1 302 Found\r\nlocation: http://x/y\r\n\r\n"), kHttpOk);
    EXPECT_STREQ(info.location, "http://x/y");
    EXPECT_EQ(Parse("HTTP/1.1 301 Moved\r\n\r\n"), kHttpInvalidResponse);
    const char* challenge = "HTTP/1.1 407 Proxy\r\nProxy-Authenticate: Basic realm=\"p\"\r\n\r\n";
    EXPECT_EQ(Parse(challenge), -1);
    EXPECT_EQ(Parse(challenge, "GET", kHttpFlagNoAuth), kHttpOk);
    EXPECT_EQ(Parse(challenge, "GET", kHttpFlagNoProxyAuth), kHttpOk);
    EXPECT_EQ(Parse("HTTP/1.1 401 No\r\nWWW-Authenticate: Basic\r\n\r\n"), kHttpInvalidResponse);
}

TEST_F(ResponseHead, KeepsItsTextAndEveryCookieLine) {
    const char* head =
        "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Note: Set-Cookie: no\r\n"
        "set-cookie:\tb=2; path=/\r\nContent-Length: 0\r\nSET-COOKIE: c=3\r\n\r\n";
    ASSERT_EQ(Parse(head), kHttpOk);
    EXPECT_EQ(info.head, head);
    EXPECT_EQ(info.cookies, (std::vector<std::string>{"a=1", "b=2; path=/", "c=3"}));
}

struct Read {
    int32_t result;
    std::string body;
    int32_t length;
};

Read ReadBodyOf(const std::string& input, uint32_t flags, int32_t length) {
    MemoryConnection connection(input);
    char* body = nullptr;
    Read r = {connection.ReadBody(flags, &length, &body), "", length};
    if (body) r.body.assign(body, length);
    free(body);
    return r;
}

TEST(ConnectionReaders, ChunkedWithExtensions) {
    Read r = ReadBodyOf("5;name=value\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n", kHttpReadChunked, 0);
    EXPECT_EQ(r.result, kHttpOk);
    EXPECT_EQ(r.body, "helloabc");
    r = ReadBodyOf("5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n", kHttpReadChunked | kHttpReadOnePiece, 0);
    EXPECT_EQ(r.body, "hello");
}

TEST(ConnectionReaders, BrokenChunkedBodiesFail) {
    EXPECT_EQ(ReadBodyOf("5\r\nhel", kHttpReadChunked, 0).result, kHttpReadFailed);
    EXPECT_EQ(ReadBodyOf("zz\r\n", kHttpReadChunked, 0).result, kHttpReadFailed);
    EXPECT_EQ(ReadBodyOf("5\r\nhelloXX0\r\n\r\n", kHttpReadChunked, 0).result, kHttpReadFailed);
    // Cut off between chunks: not a shorter body but a failure.
    EXPECT_EQ(ReadBodyOf("5\r\nhello\r\n", kHttpReadChunked, 0).result, kHttpReadFailed);
    EXPECT_EQ(ReadBodyOf("ffffffff\r\n", kHttpReadChunked, 0).result, kHttpReadFailed);
}

TEST(ConnectionReaders, LengthAndUntilClose) {
    std::string big(70000, 'x');
    Read r = ReadBodyOf(big, 0, 0);
    EXPECT_EQ(r.result, kHttpOk);
    EXPECT_EQ(r.length, 70000);
    EXPECT_EQ(r.body, big);
    r = ReadBodyOf("abcdef", 0, 4);
    EXPECT_EQ(r.body, "abcd");
    r = ReadBodyOf("abc", 0, 4);
    EXPECT_EQ(r.result, kHttpReadFailed);
    EXPECT_EQ(r.length, 0);
}

TEST(ConnectionReaders, HeadEndsAtTheEmptyLine) {
    MemoryConnection connection("HTTP/1.1 200 OK\r\nA: b\r\n\r\nBODY");
    char* head = nullptr;
    int32_t length = 0;
    ASSERT_EQ(connection.ReadHead(&head, &length), kHttpOk);
    EXPECT_STREQ(head, "HTTP/1.1 200 OK\r\nA: b\r\n\r\n");
    EXPECT_EQ(length, 25);
    free(head);
    MemoryConnection cut("HTTP/1.1 200 OK\r\nA: b\r\n");
    EXPECT_EQ(cut.ReadHead(&head, &length), kHttpReadFailed);
    EXPECT_EQ(head, nullptr);
    MemoryConnection endless("HTTP/1.1 200 OK\r\n" + std::string(70000, 'a'));
    EXPECT_EQ(endless.ReadHead(&head, &length), kHttpReadFailed);
}

}  // namespace
