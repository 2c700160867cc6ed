// The piece loop against a scripted server (every fault a server can make) and through nginx
// behind the link server, as the setup meets it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <thread>

#include <unistd.h>

#include "engine/package_download.h"
#include "step_fakes.h"
#include "tests/unit/http/test_support.h"

namespace {

std::string Bytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 206 answer carrying bytes [from, from + length) of a file of `total` bytes.
httptest::Reply Piece(const std::string& file, size_t from, size_t length,
                      bool closeAfter = false) {
    return Answer("206 Partial Content", file.substr(from, length),
                  "Content-Range: bytes " + std::to_string(from) + "-" +
                      std::to_string(from + length - 1) + "/" + std::to_string(file.size()) +
                      "\r\n",
                  closeAfter);
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

struct Download {
    fakes::Events events;
    fakes::Feedback feedback{events};
    // Of this process: the suites run side by side. Only this file is removed: a test may point
    // the download elsewhere (at /dev/full, say).
    const std::string ownFile =
        ::testing::TempDir() + "tellura_package_" + std::to_string(getpid()) + ".bin";
    std::string path = ownFile;

    Download() { std::remove(ownFile.c_str()); }
    ~Download() { std::remove(ownFile.c_str()); }
    int32_t From(const std::string& url, const NetworkLimits& limits = {}) {
        return DownloadPackage(feedback, {L"Downloading Tellura", Wide(path), Wide(url)}, limits);
    }
    std::vector<std::string> Progress() const {
        std::vector<std::string> posts;
        for (const std::string& e : events)
            if (e.rfind("progress ", 0) == 0) posts.push_back(e.substr(9));
        return posts;
    }
    std::string LastLines(size_t n) const {
        std::string text;
        for (auto e = events.end() - n; e != events.end(); ++e) text += *e + "\n";
        return text;
    }
};

std::vector<std::string> Ranges(httptest::ScriptedServer& server) {
    std::vector<std::string> ranges;
    for (const httptest::ReceivedRequest& request : server.Requests()) {
        const size_t at = request.bytes.find("Range: bytes=");
        ranges.push_back(
            at == std::string::npos
                ? "none"
                : request.bytes.substr(at + 13, request.bytes.find("\r\n", at) - at - 13));
    }
    return ranges;
}

class ScriptedDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        fakes::ResetRunState();
        SetEnvironment("HTTPDriver", "1");
        // The canned replies follow one piece after the other.
        SetEnvironment("Tellura_Connections", "1");
    }
    int32_t Run(std::vector<httptest::Reply> replies) {
        std::string error;
        EXPECT_TRUE(server.Start(std::move(replies), 0, &error)) << error;
        return download.From(server.Url("/fwlink/?LinkId=136707"));
    }
    httptest::ScriptedServer server;
    Download download;
};

}  // namespace

TEST_F(ScriptedDownload, WholeFileInOneAnswerWhenItFitsOnePiece) {
    const std::string file = Bytes(1000, 1);
    EXPECT_EQ(Run({Answer("200 OK", file)}), 0);
    EXPECT_EQ(Ranges(server), (std::vector<std::string>{"0-524287"}));
    EXPECT_EQ(download.Progress(), (std::vector<std::string>{"0/-1", "-1/-1"}));
    EXPECT_EQ(ReadFile(download.path), file);
    const fakes::Events start(download.events.begin(), download.events.begin() + 4);
    EXPECT_EQ(start, (fakes::Events{"log IN->DownloadPrereqs ()", "status Downloading Tellura",
                                    "log Downloading " + download.path + " from " +
                                        server.Url("/fwlink/?LinkId=136707"),
                                    "log Downloading Tellura"}));
    EXPECT_EQ(download.events.back(), "log OUT->DownloadPrereqs ()  OK");
}

TEST_F(ScriptedDownload, PiecesOfOneMebibyte) {
    const std::string file = Bytes(1 << 20, 2);
    EXPECT_EQ(Run({Piece(file, 0, kPieceSize), Piece(file, kPieceSize, kPieceSize)}), 0);
    EXPECT_EQ(Ranges(server), (std::vector<std::string>{"0-524287", "524288-1048575"}));
    EXPECT_EQ(download.Progress(), (std::vector<std::string>{"0/0", "1/0", "0/0"}));
    EXPECT_EQ(ReadFile(download.path), file);
    EXPECT_EQ(server.Connections(), 1);  // one kept-alive connection
}

TEST_F(ScriptedDownload, ShortPiecesAreContinuedWhereTheyEnded) {
    const std::string file = Bytes(1000000, 3);
    EXPECT_EQ(Run({Piece(file, 0, kPieceSize), Piece(file, kPieceSize, 100000),
                   Piece(file, kPieceSize + 100000, 1000000 - kPieceSize - 100000)}),
              0);
    EXPECT_EQ(Ranges(server),
              (std::vector<std::string>{"0-524287", "524288-999999", "624288-999999"}));
    EXPECT_EQ(ReadFile(download.path), file);
}

// The limits a test can wait for: a silent server, and a rate judged over one second.
NetworkLimits QuickLimits() {
    NetworkLimits limits;
    limits.receiveMs = 500;
    limits.minPieceWindowMs = 1000;
    limits.watchSliceMs = 20;
    limits.pieceRetries = 0;  // each fault's own failure, as when the retries have run out
    return limits;
}

TEST_F(ScriptedDownload, ServerFaultsEndTheDownloadAsFailed) {
    const std::string file = Bytes(1 << 20, 4);
    const std::string url = "http://127.0.0.1:" + std::string("PORT") + "/fwlink/?LinkId=136707";
    struct Case {
        const char* name;
        std::vector<httptest::Reply> replies;
        int32_t result;
        std::string message;  // the line before the exit line; PORT stands for the server's port
    };
    const std::string tooBig = Bytes(kPieceSize + 1, 5);
    const Case cases[] = {
        {"200 larger than a piece",
         {Answer("200 OK", tooBig)},
         3,
         "Setup failed - 524289  downloaded bytes > 524288 asked bytes"},
        {"404", {Answer("404 Not Found", "gone")}, 3, "Setup failed to download " + url},
        {"another success status",
         {Answer("203 Non-Authoritative", "x")},
         QEL_E_FAIL,
         "log Downloading Tellura"},
        {"Content-Range without total",
         {Answer("206 Partial Content", "0123456789", "Content-Range: bytes 0-9\r\n")},
         3,
         "Setup failed - no total size in Content-Range bytes 0-9"},
        {"total below what came",
         {Answer("206 Partial Content", "0123456789", "Content-Range: bytes 0-9/5\r\n")},
         3,
         "Setup failed - total size 5 does not fit 10 received bytes"},
        {"total beyond 32 bits",
         {Answer("206 Partial Content", "0123456789", "Content-Range: bytes 0-9/2147483648\r\n")},
         3,
         "Setup failed - total size 2147483648 does not fit 10 received bytes"},
        {"no Content-Range",
         {Answer("206 Partial Content", "0123456789")},
         static_cast<int32_t>(0x80072F76),
         "log Downloading Tellura"},
        {"oversized piece",
         {Piece(file, 0, kPieceSize), Answer("206 Partial Content", tooBig)},
         3,
         "Setup failed - 524289  downloaded bytes > 524288 asked bytes"},
        {"empty piece",
         {Piece(file, 0, kPieceSize),
          Answer("206 Partial Content", "",
                 "Content-Range: bytes 524288-1048575/1048576\r\nTransfer-Encoding: chunked\r\n")},
         3,
         "Setup failed to download " + url},
        // Chunked, the empty body arrives as a body of no bytes, not as none.
        {"empty chunked piece",
         {Piece(file, 0, kPieceSize),
          {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 524288-1048575/1048576\r\n"
           "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}},
         3,
         "Setup failed to download " + url},
        {"piece from another offset",
         {Piece(file, 0, kPieceSize), Piece(file, 0, kPieceSize)},
         3,
         "Setup failed - asked for bytes from 524288, got bytes from 0"},
        {"piece ending past the count",
         {Piece(file, 0, kPieceSize),
          Answer("206 Partial Content", "x", "Content-Range: bytes 524288-2000000/1048576\r\n")},
         3,
         "Setup failed - asked for bytes from 524288, got bytes from 524288"},
        {"piece ending one byte past the count",
         {Piece(file, 0, kPieceSize),
          Answer("206 Partial Content", "x", "Content-Range: bytes 524288-1048576/1048576\r\n")},
         3,
         "Setup failed - asked for bytes from 524288, got bytes from 524288"},
        {"piece ending before it starts",
         {Piece(file, 0, kPieceSize),
          Answer("206 Partial Content", "x", "Content-Range: bytes 524288-0/1048576\r\n")},
         3,
         "Setup failed - asked for bytes from 524288, got bytes from nowhere"},
        {"whole file again for a later piece",
         {Piece(file, 0, kPieceSize), Answer("200 OK", file.substr(0, 1000))},
         3,
         "Setup failed - asked for bytes from 524288, got bytes from 0"},
        {"first piece from another offset",
         {Piece(file, 4, kPieceSize)},
         3,
         "Setup failed - asked for bytes from 0, got bytes from 4"},
        // The rest of the announced gigabyte never comes: reading must stop at what was asked.
        {"gigabyte announced for a piece",
         {httptest::Silent("HTTP/1.1 206 Partial Content\r\nContent-Length: 1073741824\r\n"
                           "Content-Range: bytes 0-1073741823/1073741824\r\n\r\n" +
                           tooBig + "more")},
         3,
         "Setup failed - 524289  downloaded bytes > 524288 asked bytes"},
        {"trickle",
         {Piece(file, 0, kPieceSize),
          {"HTTP/1.1 206 Partial Content\r\nContent-Length: 524288\r\n\r\n" + file.substr(0, 400),
           false, true, 5}},
         3,
         "Setup failed - fewer than 1024 bytes in 1 s from " + url},
        {"silence in the middle of a piece",
         {Piece(file, 0, kPieceSize),
          httptest::Silent("HTTP/1.1 206 Partial Content\r\nContent-Length: 524288\r\n\r\n" +
                           file.substr(0, 1000))},
         3,
         "Setup failed to download " + url},
        {"cut connection",
         {Piece(file, 0, kPieceSize),
          {"HTTP/1.1 206 Partial Content\r\nContent-Length: 524288\r\n\r\n" + file.substr(0, 1000),
           true}},
         3,
         "Setup failed to download " + url},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        httptest::ScriptedServer server;
        ASSERT_TRUE(server.Start(c.replies));
        Download download;
        EXPECT_EQ(download.From(server.Url("/fwlink/?LinkId=136707"), QuickLimits()), c.result);
        std::string message = c.message;
        if (const size_t at = message.find("PORT"); at != std::string::npos)
            message.replace(at, 4, std::to_string(server.Port()));
        if (message.rfind("log ", 0) != 0) message = "log " + message;
        EXPECT_EQ(download.LastLines(2), message + "\nlog OUT->DownloadPrereqs () KO\n");
        // A failed piece is not asked for again.
        EXPECT_EQ(server.Requests().size(), c.replies.size());
    }
}

TEST_F(ScriptedDownload, CancelQuestionBetweenPieces) {
    const std::string file = Bytes(3 * kPieceSize, 6);
    struct Case {
        int cancelRequests;
        bool answer;
        int32_t result;
        int questions;
        int cancelRequestsAfter;
    };
    for (const Case& c :
         {Case{1, false, 0, 1, 0}, Case{1, true, 2, 1, 1}, Case{2, true, 2, 1, 1},
          Case{3, false, 0, 1, 0}}) {
        SCOPED_TRACE(c.cancelRequests * 10 + c.answer);
        fakes::ResetRunState();
        CancelRequests = c.cancelRequests;
        httptest::ScriptedServer server;
        ASSERT_TRUE(server.Start({Piece(file, 0, kPieceSize), Piece(file, kPieceSize, kPieceSize),
                                  Piece(file, 2 * kPieceSize, kPieceSize)}));
        Download download;
        download.feedback.answers = {c.answer};
        const std::string url = server.Url("/fwlink/?LinkId=136707");
        EXPECT_EQ(download.From(url), c.result);
        EXPECT_EQ(static_cast<int>(std::count(download.events.begin(), download.events.end(),
                                              c.answer ? "ask yes" : "ask no")),
                  c.questions);
        EXPECT_EQ(CancelRequests.load(), c.cancelRequestsAfter);
        if (c.result == 2) {
            EXPECT_EQ(download.LastLines(2),
                      "log Setup was interrupted by user during download of " + url +
                          "\nlog OUT->DownloadPrereqs () CANCEL\n");
            // The question comes after the second piece was written; the file stays for the worker.
            EXPECT_EQ(ReadFile(download.path), file.substr(0, 2 * kPieceSize));
        } else {
            EXPECT_EQ(ReadFile(download.path), file);
        }
    }
}

// The question comes while a piece waits: Yes ends a stalled piece at once, No lets a slow one
// finish.
TEST_F(ScriptedDownload, CancelQuestionInsideAPiece) {
    const std::string file = Bytes(kPieceSize + 100, 8);
    const std::string slowHead =
        "HTTP/1.1 206 Partial Content\r\nContent-Length: 100\r\n"
        "Content-Range: bytes 524288-524387/524388\r\n\r\n";
    struct Case {
        bool answer;
        httptest::Reply secondPiece;
        int32_t result;
    };
    for (const Case& c : {Case{true, httptest::Silent(slowHead), 2},
                          Case{false, {slowHead + file.substr(kPieceSize), false, false, 3}, 0}}) {
        SCOPED_TRACE(c.answer);
        fakes::ResetRunState();
        httptest::ScriptedServer server;
        ASSERT_TRUE(server.Start({Piece(file, 0, kPieceSize), c.secondPiece}));
        Download download;
        download.feedback.answers = {c.answer};
        // Pressed once the first piece is written; the default receive time-out stays.
        download.feedback.onProgress = [] { CancelRequests = 1; };
        NetworkLimits limits;
        limits.watchSliceMs = 20;
        EXPECT_EQ(download.From(server.Url("/fwlink/?LinkId=136707"), limits), c.result);
        EXPECT_EQ(std::count(download.events.begin(), download.events.end(),
                             c.answer ? "ask yes" : "ask no"),
                  1);
        EXPECT_EQ(ReadFile(download.path), c.answer ? file.substr(0, kPieceSize) : file);
    }
}

// Counts one more request in service, keeping the most seen at once.
struct InService {
    InService(std::atomic<int>& serving, std::atomic<int>& most) : serving(serving) {
        const int now = ++serving;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
    }
    ~InService() { --serving; }
    std::atomic<int>& serving;
};

// A server that answers each range with its bytes of `file`, as `answer` shapes each piece
// (by its first byte) and after the delay it gives; it counts the ranges it serves at once.
// With `linkDelayMs` set, the link answers after that delay with a redirect to the file.
struct RangeServer {
    struct Shape {
        int delayMs = 0;
        std::optional<httptest::Reply> reply;  // instead of the piece
        size_t length = 0;                     // a shorter piece
    };
    RangeServer(std::string bytes, std::function<Shape(size_t from)> answer,
                std::optional<int> linkDelayMs = std::nullopt)
        : file(std::move(bytes)) {
        EXPECT_TRUE(server.Start({}));
        server.SetResponder([this, answer, linkDelayMs](const std::string& request) {
            const InService _request(requests, mostRequests);
            if (linkDelayMs && request.rfind("GET /fwlink/", 0) == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(*linkDelayMs));
                return Answer("302 Found", "", "Location: /Ventrola.msi\r\n");
            }
            const size_t at = request.find("Range: bytes=") + 13;
            const size_t from = std::stoul(request.substr(at));
            const size_t last = std::stoul(request.substr(request.find('-', at) + 1));
            const Shape shape = answer(from);
            {
                const InService range(serving, most);
                std::this_thread::sleep_for(std::chrono::milliseconds(shape.delayMs));
            }
            if (shape.reply) return *shape.reply;
            return Piece(file, from, shape.length ? shape.length : last - from + 1);
        });
    }
    std::string file;
    httptest::ScriptedServer server;
    std::atomic<int> serving{0};
    std::atomic<int> most{0};
    std::atomic<int> requests{0};
    std::atomic<int> mostRequests{0};
};

class FetchAhead : public ScriptedDownload {
  protected:
    void SetUp() override {
        ScriptedDownload::SetUp();
        SetEnvironment("Tellura_Connections", nullptr);
    }
};

// Later pieces that come first wait in memory, one per connection at most, and the file and
// the progress follow file order; the rest of a short piece is asked for before the next ones.
TEST_F(FetchAhead, PiecesArrivingOutOfOrderAreWrittenInOrder) {
    RangeServer range(Bytes(6 * kPieceSize, 9), [](size_t from) {
        RangeServer::Shape shape;
        if (from == kPieceSize) shape = {300, std::nullopt, 1000};
        if (from == 2 * kPieceSize) shape.delayMs = 300;
        return shape;
    });
    EXPECT_EQ(download.From(range.server.Url("/fwlink/?LinkId=136707")), 0);
    EXPECT_EQ(ReadFile(download.path), range.file);
    EXPECT_EQ(download.Progress(),
              (std::vector<std::string>{"0/4", "1/4", "2/4", "3/4", "4/4", "5/4", "6/4", "4/4"}));
    EXPECT_EQ(range.server.Connections(), kDefaultConnections);
    EXPECT_LE(range.most.load(), kDefaultConnections);
    const std::vector<std::string> ranges = Ranges(range.server);
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), "525288-1048575"), ranges.end());
}

// The first piece in file order that fails decides, even when a later one failed first; a Yes
// to Cancel stops every connection at once.
TEST_F(FetchAhead, FirstFailingPieceDecidesAndCancelStopsEveryConnection) {
    const std::string elsewhere = "Content-Range: bytes 0-9/3145728\r\n";
    RangeServer failing(Bytes(6 * kPieceSize, 10), [&](size_t from) {
        RangeServer::Shape shape;
        if (from == kPieceSize)
            shape = {300, Answer("206 Partial Content", "0123456789", elsewhere)};
        if (from == 2 * kPieceSize) shape.reply = Answer("404 Not Found", "gone");
        return shape;
    });
    EXPECT_EQ(download.From(failing.server.Url("/fwlink/?LinkId=136707")), 3);
    EXPECT_EQ(download.LastLines(2),
              "log Setup failed - asked for bytes from 524288, got bytes from 0\n"
              "log OUT->DownloadPrereqs () KO\n");

    Download cancelled;
    cancelled.feedback.answers = {true};
    cancelled.feedback.onProgress = [] { CancelRequests = 1; };
    RangeServer stalled(Bytes(6 * kPieceSize, 11), [](size_t from) {
        RangeServer::Shape shape;
        if (from >= kPieceSize) shape.reply = httptest::Silent("HTTP/1.1 206 Partial Content\r\n");
        return shape;
    });
    NetworkLimits limits;
    limits.watchSliceMs = 20;
    EXPECT_EQ(cancelled.From(stalled.server.Url("/fwlink/?LinkId=136707"), limits), 2);
    EXPECT_TRUE(stalled.server.WaitClosed(stalled.server.Connections(), 2000));
    EXPECT_EQ(ReadFile(cancelled.path), stalled.file.substr(0, kPieceSize));
}

// Behind a link that redirects, each piece asks the link and then the file for its range. One
// connection does so exactly as ever, one request after the other; more connections ask the
// link for their next piece while a piece comes, and never hold more pieces than connections.
TEST_F(ScriptedDownload, LinkAskedBeforeEveryPiece) {
    struct Case {
        const char* connections;
        int lanes;
    };
    for (const Case& c : {Case{"1", 1}, Case{nullptr, kDefaultConnections}}) {
        SCOPED_TRACE(c.lanes);
        SetEnvironment("Tellura_Connections", c.connections);
        RangeServer link(
            Bytes(9 * kPieceSize, 12),
            [](size_t) {
                return RangeServer::Shape{100, std::nullopt, 0};
            },
            50);
        Download download;
        EXPECT_EQ(download.From(link.server.Url("/fwlink/?LinkId=136707")), 0);
        EXPECT_EQ(ReadFile(download.path), link.file);
        const std::vector<httptest::ReceivedRequest> requests = link.server.Requests();
        const std::vector<std::string> ranges = Ranges(link.server);
        std::map<std::string, std::string> asked;  // the paths asked for each range, in turn
        std::vector<std::string> sequence;
        for (size_t i = 0; i < requests.size(); ++i) {
            const std::string& bytes = requests[i].bytes;
            const std::string path = bytes.substr(4, bytes.find(' ', 4) - 4);
            asked[ranges[i]] += path + " ";
            sequence.push_back(std::to_string(requests[i].connection) + " " + path + " " +
                               ranges[i]);
        }
        EXPECT_EQ(asked.size(), 9u);
        for (const auto& [range, paths] : asked)
            EXPECT_EQ(paths, "/fwlink/?LinkId=136707 /Ventrola.msi ") << range;
        EXPECT_LE(link.most.load(), c.lanes);
        if (c.lanes == 1) {
            EXPECT_EQ(link.mostRequests.load(), 1);
            for (size_t i = 0; i < sequence.size(); ++i) {
                const size_t from = i / 2 * kPieceSize;
                EXPECT_EQ(sequence[i],
                          "1 " + std::string(i % 2 ? "/Ventrola.msi " : "/fwlink/?LinkId=136707 ") +
                              std::to_string(from) + "-" + std::to_string(from + kPieceSize - 1));
            }
        } else {
            EXPECT_GT(link.mostRequests.load(), c.lanes);
        }
    }
}

TEST(DownloadConnections, OneToEightElseTheDefault) {
    EXPECT_EQ(DownloadConnections(std::nullopt), kDefaultConnections);
    for (const wchar_t* bad : {L"", L"0", L"9", L"12", L"x", L"-1"})
        EXPECT_EQ(DownloadConnections(bad), kDefaultConnections) << fakes::Narrow(bad);
    EXPECT_EQ(DownloadConnections(L"1"), 1);
    EXPECT_EQ(DownloadConnections(L"8"), 8);
}

TEST_F(ScriptedDownload, FileThatCannotBeCreatedOrCompleted) {
    ASSERT_TRUE(server.Start({Answer("200 OK", "data"), Answer("200 OK", "data")}));
    download.path = ::testing::TempDir() + "no such folder/p.bin";
    EXPECT_EQ(download.From(server.Url("/x")), 3);
    EXPECT_EQ(download.LastLines(2),
              "log Cannot open file " + download.path + "\nlog OUT->DownloadPrereqs () KO\n");

    // A full disk: the buffered bytes fail to reach it when the file is closed.
    Download full;
    full.path = "/dev/full";
    EXPECT_EQ(full.From(server.Url("/x")), 3);
    EXPECT_EQ(full.LastLines(2),
              "log Setup could not complete the file /dev/full\nlog OUT->DownloadPrereqs () KO\n");
}

// Run beside nginx by with_linkserver.sh: every piece goes through the link's 302.
TEST(DownloadThroughLinkServer, EveryPieceFollowsTheRedirect) {
    const char* host = std::getenv("LINKSERVER_HOST");
    const char* www = std::getenv("LINKSERVER_WWW");
    ASSERT_TRUE(host && www) << "run through with_linkserver.sh";
    fakes::ResetRunState();
    SetEnvironment("HTTPDriver", "1");
    for (const size_t size : {size_t{1000}, size_t{5 * kPieceSize + 1234}}) {
        SCOPED_TRACE(size);
        const std::string file = Bytes(size, 7);
        std::ofstream(std::string(www) + "/Ventrola.msi", std::ios::binary) << file;
        Download download;
        EXPECT_EQ(download.From("http://" + std::string(host) + "/fwlink/?LinkId=136707"), 0);
        EXPECT_EQ(ReadFile(download.path), file);
        EXPECT_EQ(download.Progress().back(), size > kPieceSize ? "3/3" : "-1/-1");
    }
}

namespace {

// A file served by range behind a link that redirects; the first request for one piece, at the
// link or at the file as `atLink` says, meets `fault`, and every other request is answered.
// `faultEvery` meets every request for a piece at that offset or beyond instead.
struct FlakyServer {
    FlakyServer(std::string bytes, size_t faultyFrom, bool atLink, httptest::Reply fault,
                bool faultEvery = false)
        : file(std::move(bytes)) {
        EXPECT_TRUE(server.Start({}));
        server.SetResponder([=](const std::string& request) {
            const size_t at = request.find("Range: bytes=") + 13;
            const size_t from = std::stoul(request.substr(at));
            const size_t last = std::stoul(request.substr(request.find('-', at) + 1));
            const bool link = request.rfind("GET /fwlink/", 0) == 0;
            const bool faulty = faultEvery ? from >= faultyFrom && link == atLink
                                           : from == faultyFrom && link == atLink && !faulted++;
            if (faulty) return fault;
            if (link) return Answer("302 Found", "", "Location: /Ventrola.msi\r\n");
            return Piece(file, from, last - from + 1);
        });
    }
    // How often `path` was asked for the range from `from`.
    int Asked(const std::string& path, size_t from) {
        int count = 0;
        const std::vector<std::string> ranges = Ranges(server);
        const std::vector<httptest::ReceivedRequest> requests = server.Requests();
        for (size_t i = 0; i < requests.size(); ++i)
            if (requests[i].bytes.rfind("GET " + path + " ", 0) == 0 &&
                ranges[i].rfind(std::to_string(from) + "-", 0) == 0)
                ++count;
        return count;
    }
    std::string file;
    httptest::ScriptedServer server;
    std::atomic<int> faulted{0};
};

NetworkLimits RetryLimits() {
    NetworkLimits limits = QuickLimits();
    limits.pieceRetries = kPieceRetries;
    limits.firstRetryDelayMs = 10;
    limits.longestRetryAfterMs = 200;
    return limits;
}

std::string RetryLine(size_t from, const std::string& cause, const std::string& delay, int retry) {
    return "log Piece at " + std::to_string(from) + ": " + cause + "; asking again in " + delay +
           " s (" + std::to_string(retry) + " of 3)";
}

// A port where nobody listens.
uint16_t ClosedPort() {
    httptest::ScriptedServer gone;
    EXPECT_TRUE(gone.Start({}));
    return gone.Port();
}

const std::string kCutHead = "HTTP/1.1 206 Partial Content\r\nContent-Length: 524288\r\n\r\n";

}  // namespace

// A fault that may not come again costs one retry of its piece, on one connection or four; the
// file is the same and every other piece is asked for once.
TEST_F(ScriptedDownload, TransientFaultsAreAskedAgain) {
    // More pieces than connections: the faulty one's link is asked while a piece comes.
    const std::string file = Bytes(8 * kPieceSize + 100, 20);
    const size_t faulty = 6 * kPieceSize;
    struct Case {
        const char* name;
        bool atLink;
        httptest::Reply fault;
        std::string cause;
        std::string delay;
    };
    const Case cases[] = {
        {"cut off mid-piece", false, {kCutHead + file.substr(0, 1000), true}, "connection lost",
         "0.01"},
        {"silent mid-piece", false, httptest::Silent(kCutHead + file.substr(0, 1000)),
         "connection lost", "0.01"},
        {"stalled piece",
         false,
         {kCutHead + file.substr(0, 400), false, true, 5},
         "time-out",
         "0.01"},
        {"503", false, Answer("503 Service Unavailable", "busy"), "HTTP 503", "0.01"},
        {"503 with Retry-After",
         false,
         Answer("503 Service Unavailable", "busy", "Retry-After: 1\r\n"),
         "HTTP 503",
         "0.2"},
        {"failed link request", true, Answer("502 Bad Gateway", "down"), "HTTP 502", "0.01"},
        {"refused",
         true,
         Answer("302 Found", "",
                "Location: http://127.0.0.1:" + std::to_string(ClosedPort()) + "/Ventrola.msi\r\n"),
         "connection refused", "0.01"},
    };
    for (const char* connections : {"1", "4"}) {
        SetEnvironment("Tellura_Connections", connections);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", connections " + connections);
            FlakyServer flaky(file, faulty, c.atLink, c.fault);
            Download download;
            EXPECT_EQ(download.From(flaky.server.Url("/fwlink/?LinkId=136707"), RetryLimits()), 0);
            EXPECT_EQ(ReadFile(download.path), file);
            EXPECT_EQ(std::count(download.events.begin(), download.events.end(),
                                 RetryLine(faulty, c.cause, c.delay, 1)),
                      1);
            for (size_t from = 0; from < file.size(); from += kPieceSize) {
                const bool again = from == faulty;
                EXPECT_EQ(flaky.Asked("/fwlink/?LinkId=136707", from), again ? 2 : 1) << from;
                EXPECT_EQ(flaky.Asked("/Ventrola.msi", from), again && !c.atLink ? 2 : 1) << from;
            }
        }
    }
}

// A fault that would come again ends the download at once, with its cause before the failure.
TEST_F(ScriptedDownload, FatalFaultsEndAtOnce) {
    const std::string file = Bytes(4 * kPieceSize, 21);
    for (const bool atLink : {false, true}) {
        SCOPED_TRACE(atLink);
        FlakyServer flaky(file, kPieceSize, atLink, Answer("404 Not Found", "gone"));
        Download download;
        const std::string url = flaky.server.Url("/fwlink/?LinkId=136707");
        EXPECT_EQ(download.From(url, RetryLimits()), 3);
        EXPECT_EQ(download.LastLines(3), "log Piece at 524288: HTTP 404\nlog Setup failed to "
                                         "download " + url + "\nlog OUT->DownloadPrereqs () KO\n");
        EXPECT_EQ(flaky.Asked("/fwlink/?LinkId=136707", kPieceSize), 1);
    }
}

// A piece that fails every time fails after three retries, 1, 2 and 4 delays apart; a download
// whose pieces each fail once fails when its own retries run out.
TEST_F(ScriptedDownload, RetriesRunOut) {
    const std::string file = Bytes(4 * kPieceSize, 22);
    const httptest::Reply cut{kCutHead + file.substr(0, 1000), true};
    FlakyServer always(file, kPieceSize, false, cut, true);
    Download download;
    const std::string url = always.server.Url("/fwlink/?LinkId=136707");
    EXPECT_EQ(download.From(url, RetryLimits()), 3);
    EXPECT_EQ(download.LastLines(6),
              RetryLine(kPieceSize, "connection lost", "0.01", 1) + "\n" +
                  RetryLine(kPieceSize, "connection lost", "0.02", 2) + "\n" +
                  RetryLine(kPieceSize, "connection lost", "0.04", 3) + "\n" +
                  "log Piece at 524288: connection lost\nlog Setup failed to download " + url +
                  "\nlog OUT->DownloadPrereqs () KO\n");
    EXPECT_EQ(always.Asked("/Ventrola.msi", kPieceSize), 4);

    // Each piece after the first is cut off once; the download may retry twice.
    RangeServer once(file, [&, seen = std::make_shared<std::set<size_t>>()](size_t from) {
        RangeServer::Shape shape;
        if (from > 0 && seen->insert(from).second) shape.reply = cut;
        return shape;
    });
    NetworkLimits limits = RetryLimits();
    limits.downloadRetries = 2;
    Download budget;
    EXPECT_EQ(budget.From(once.server.Url("/x"), limits), 3);
    EXPECT_EQ(budget.LastLines(3), "log Piece at 1572864: connection lost\nlog Setup failed to "
                                   "download " + once.server.Url("/x") +
                                       "\nlog OUT->DownloadPrereqs () KO\n");
}

// Cancel is asked during the pause before a retry: Yes ends the download before the piece is
// asked again.
TEST_F(ScriptedDownload, CancelDuringTheRetryPause) {
    struct PressAtRetry : fakes::Feedback {
        using Feedback::Feedback;
        void Log(const std::wstring& line) override {
            Feedback::Log(line);
            if (line.find(L"asking again") != std::wstring::npos) CancelRequests = 1;
        }
    };
    const std::string file = Bytes(3 * kPieceSize, 23);
    FlakyServer flaky(file, kPieceSize, false, Answer("503 Service Unavailable", "busy"));
    fakes::Events events;
    PressAtRetry feedback(events);
    feedback.answers = {true};
    NetworkLimits limits = RetryLimits();
    limits.firstRetryDelayMs = 60000;
    Download download;
    const std::string url = flaky.server.Url("/fwlink/?LinkId=136707");
    EXPECT_EQ(DownloadPackage(feedback, {L"Downloading Tellura", Wide(download.path), Wide(url)},
                              limits),
              2);
    EXPECT_EQ(std::count(events.begin(), events.end(), "ask yes"), 1);
    EXPECT_EQ(events.back(), "log OUT->DownloadPrereqs () CANCEL");
    EXPECT_EQ(flaky.Asked("/Ventrola.msi", kPieceSize), 1);
}
