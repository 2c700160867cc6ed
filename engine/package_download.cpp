#include "engine/package_download.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/environment.h"
#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/piece_fetch.h"
#include "engine/step_result.h"
#include "http/http_client.h"

namespace {

std::wstring Number(int64_t value) { return std::to_wstring(value); }

struct Lane;

// A piece asked for and not yet written.
struct Piece {
    int64_t from = 0;
    int32_t count = 0;
    Lane* lane = nullptr;
};

// One connection of the download: a client of its own and the thread that runs its requests,
// and the piece it asks for next, whose link request may be on its way already.
struct Lane {
    std::shared_ptr<QELHttpClient> client;
    std::unique_ptr<PieceFetcher> fetcher;
    std::optional<Piece> next;
};

// One call, one download: the clients, the file and the last body live as long as it.
class PieceDownload {
  public:
    PieceDownload(StepFeedback& feedback, const DownloadJob& job, const NetworkLimits& limits,
                  int connections)
        : ui_(feedback), job_(job), limits_(limits), connections_(connections) {}
    ~PieceDownload() {
        std::free(body_);
        if (file_) std::fclose(file_);
    }

    // Downloads and logs how it ended.
    int32_t Run() {
        const int32_t result = Steps();
        // Every connection stops with the first piece that fails or the user's Yes.
        if (result != kStepDone)
            for (const auto& lane : lanes_) lane->fetcher->Abort();
        if (!message_.empty()) ui_.Log(message_);
        ui_.Log(result == kStepDone        ? L"OUT->DownloadPrereqs ()  OK"
                : result == kStepCancelled ? L"OUT->DownloadPrereqs () CANCEL"
                                           : L"OUT->DownloadPrereqs () KO");
        return result;
    }

  private:
    int32_t Steps();
    int32_t Fail(std::wstring message) {
        message_ = std::move(message);
        return kStepFailed;
    }
    int32_t FailLongerThan(int32_t asked) {
        return Fail(FillConversions(L"Setup failed - %d  downloaded bytes > %d asked bytes",
                                    {Number(length_), Number(asked)}));
    }
    Lane& AddLane();
    std::shared_ptr<QELHttpClient> NewClient() const;
    int32_t Await(Lane& lane);
    int32_t WaitForPiece(PieceFetcher& fetch);
    bool CancelConfirmed();
    int32_t FetchTheRest(int64_t received, int64_t total, int32_t range);
    int32_t AppendBody();
    int32_t Status(QELHttpClient& client, int& code);
    std::optional<std::string> ContentRange(QELHttpClient& client, int32_t& result);
    int32_t TotalSize(QELHttpClient& client, int64_t& total);
    int32_t CheckPieceStart(QELHttpClient& client, int64_t from, int32_t count);

    StepFeedback& ui_;
    const DownloadJob& job_;
    const NetworkLimits& limits_;
    const size_t connections_;
    std::string url_;
    std::vector<std::unique_ptr<Lane>> lanes_;
    FILE* file_ = nullptr;
    char* body_ = nullptr;
    int32_t length_ = 0;
    int32_t fetchResult_ = 0;  // the client's result for the last piece
    std::wstring message_;
};

std::shared_ptr<QELHttpClient> PieceDownload::NewClient() const {
    auto client = std::make_shared<QELHttpClient>(nullptr, 1, 1);
    // A server that goes quiet mid-piece ends the download instead of freezing it.
    ApplyNetworkTimeouts(*client, limits_);
    return client;
}

Lane& PieceDownload::AddLane() {
    auto lane = std::make_unique<Lane>();
    lane->client = NewClient();
    lane->fetcher = std::make_unique<PieceFetcher>(lane->client, url_);
    lanes_.push_back(std::move(lane));
    return *lanes_.back();
}

// Waits for the lane's piece while the worker answers Cancel and fails a piece that comes too
// slowly: done when the request ended (fetchResult_ and the body tell how), else cancelled or
// failed.
int32_t PieceDownload::Await(Lane& lane) {
    std::free(body_);
    body_ = nullptr;
    length_ = 0;
    if (const int32_t waited = WaitForPiece(*lane.fetcher); waited != kStepDone) return waited;
    body_ = lane.fetcher->TakeBody(&length_);
    fetchResult_ = lane.fetcher->Result();
    return kStepDone;
}

int32_t PieceDownload::WaitForPiece(PieceFetcher& fetch) {
    using Clock = std::chrono::steady_clock;
    const auto window = std::chrono::milliseconds(limits_.minPieceWindowMs);
    auto windowStart = Clock::now();
    int64_t bytesAtStart = fetch.BytesReceived();
    while (!fetch.WaitFor(limits_.watchSliceMs)) {
        if (CancelConfirmed()) return kStepCancelled;
        if (Clock::now() - windowStart < window) continue;
        const int64_t bytes = fetch.BytesReceived();
        if (bytes - bytesAtStart < limits_.minPieceBytes) {
            return Fail(FillConversions(L"Setup failed - fewer than %d bytes in %d s from %s",
                                        {Number(limits_.minPieceBytes),
                                         Number(limits_.minPieceWindowMs / 1000), job_.url}));
        }
        windowStart = Clock::now();
        bytesAtStart = bytes;
    }
    return kStepDone;
}

// The question for a Cancel pressed once; a No takes the press back.
bool PieceDownload::CancelConfirmed() {
    if (CancelRequests.load() != 1) return false;
    if (ui_.ConfirmCancel()) {
        message_ = L"Setup was interrupted by user during download of " + job_.url;
        return true;
    }
    --CancelRequests;
    return false;
}

int32_t PieceDownload::AppendBody() {
    const size_t written = std::fwrite(body_, 1, static_cast<size_t>(length_), file_);
    if (written == static_cast<size_t>(length_)) return kStepDone;
    return Fail(
        FillConversions(L"Setup wrote only %d bytes in %s instead of %d bytes",
                        {Number(static_cast<int64_t>(written)), job_.localPath, Number(length_)}));
}

// The last answer's status code; failed when it cannot be asked.
int32_t PieceDownload::Status(QELHttpClient& client, int& code) {
    char* status = nullptr;
    int32_t statusLength = 0;
    const int32_t rc =
        client.QueryInfo(&status, &statusLength, nullptr, kHttpQueryStatusCode, nullptr);
    code = rc == kHttpOk && status ? StatusCodeOf(status) : 0;
    std::free(status);
    return rc == kHttpOk && code != 0 ? kStepDone : kStepFailed;
}

// The last answer's Content-Range value, or nothing with the query's result.
std::optional<std::string> PieceDownload::ContentRange(QELHttpClient& client, int32_t& result) {
    // Servers write one blank after the colon; a name with the blanks would never match.
    char* range = nullptr;
    int32_t rangeLength = 0;
    result = client.QueryInfo(&range, &rangeLength, nullptr, kHttpQueryCustom, "Content-Range");
    std::optional<std::string> value;
    if (result == kHttpOk)
        value.emplace(range ? range : "", range ? static_cast<size_t>(rangeLength) : 0);
    std::free(range);
    return value;
}

// What the first answer says about the whole file's size.
int32_t PieceDownload::TotalSize(QELHttpClient& client, int64_t& total) {
    int code = 0;
    if (Status(client, code) != kStepDone) return kStepFailed;
    if (code == 200) {
        total = length_;
        return kStepDone;
    }
    if (code != 206) return kDownloadUnexpectedStatus;
    int32_t rc = 0;
    const std::optional<std::string> value = ContentRange(client, rc);
    if (!value) return rc;
    const std::optional<int64_t> parsed = ContentRangeTotal(*value);
    if (!parsed) {
        // The socket driver's value still carries the colon and blank after the name.
        const size_t start = std::min(value->find_first_not_of(": "), value->size());
        return Fail(L"Setup failed - no total size in Content-Range " +
                    std::wstring(value->begin() + start, value->end()));
    }
    // Offsets go out as 32-bit numbers, and a total below what came already cannot be right.
    if (*parsed < length_ || *parsed > INT32_MAX) {
        return Fail(
            FillConversions(L"Setup failed - total size %I64d does not fit %d received bytes",
                            {Number(*parsed), Number(length_)}));
    }
    total = *parsed;
    return CheckPieceStart(client, 0, kPieceSize);
}

// A piece from another offset than the one asked for would be written in the wrong place: a 206
// must start there and end within the count; a 200 is the file from its start.
int32_t PieceDownload::CheckPieceStart(QELHttpClient& client, int64_t from, int32_t count) {
    int code = 0;
    if (Status(client, code) != kStepDone) return kStepFailed;
    std::optional<ContentRangeSpan> span;
    if (code == 206) {
        int32_t rc = 0;
        const std::optional<std::string> value = ContentRange(client, rc);
        if (value) span = ContentRangeBytes(*value);
    } else if (code == 200) {
        span = ContentRangeSpan{0, static_cast<int64_t>(length_) - 1};
    }
    if (span && span->first == from && span->last < from + count) return kStepDone;
    return Fail(FillConversions(L"Setup failed - asked for bytes from %I64d, got bytes from %s",
                                {Number(from), span ? Number(span->first) : L"nowhere"}));
}

int32_t PieceDownload::Steps() {
    ui_.Log(FillConversions(L"Downloading %s from %s", {job_.localPath, job_.url}));
    const std::optional<std::string> url = MultiByteUrl(job_.url);
    if (!url) return Fail(L"Setup failed to download " + job_.url);
    url_ = *url;
    Lane& first = AddLane();
    ui_.Log(job_.statusText);

    first.fetcher->Start(0, kPieceSize);
    if (const int32_t ended = Await(first); ended != kStepDone) return ended;
    if (fetchResult_ != kHttpOk || !body_) return Fail(L"Setup failed to download " + job_.url);
    if (length_ > kPieceSize || length_ <= 0) return FailLongerThan(kPieceSize);
    file_ = CreatePackageFile(job_.localPath);
    if (!file_) return Fail(L"Cannot open file " + job_.localPath);
    if (AppendBody() != kStepDone) return kStepFailed;

    int64_t total = 0;
    if (const int32_t rc = TotalSize(*first.client, total); rc != kStepDone) return rc;
    const int64_t remaining = total - length_;
    const int32_t range = static_cast<int32_t>((remaining >> 19) - 1);
    ProgressStep = 0;
    ui_.ShowProgress(0, range);
    if (const int32_t rc = FetchTheRest(length_, total, range); rc != kStepDone) return rc;
    ui_.ShowProgress(range, range);
    // The last bytes may still wait in the stream's buffer: a full disk shows only here.
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) return Fail(L"Setup could not complete the file " + job_.localPath);
    return kStepDone;
}

// The pieces after the first, one in flight on each connection, written in file order. With
// one connection each piece starts where the last one ended, whatever its length. With more,
// and a link that redirects, each connection asks the link for its next piece while its piece
// comes. Pieces go to the connections in turn, since they are written, and the connections
// freed, in file order: every piece in flight lies before every piece asked for next.
int32_t PieceDownload::FetchTheRest(int64_t received, int64_t total, int32_t range) {
    int64_t asked = received;  // where the next piece starts
    std::deque<Piece> flight;
    auto take = [&]() -> std::optional<Piece> {
        if (asked >= total) return std::nullopt;
        const int32_t count =
            total - asked > kPieceSize ? kPieceSize : static_cast<int32_t>(total - asked);
        asked += count;
        return Piece{asked - count, count, nullptr};
    };
    auto ask = [&](Lane& lane) {
        std::optional<Piece> piece = std::exchange(lane.next, std::nullopt);
        if (!piece) piece = take();
        if (!piece) return;
        piece->lane = &lane;
        lane.fetcher->Start(static_cast<int32_t>(piece->from), piece->count);
        flight.push_back(*piece);
    };
    const bool ahead = connections_ > 1 && lanes_.front()->client->FollowedRedirect();
    auto askAhead = [&](Lane& lane) {
        if (!ahead || !(lane.next = take())) return;
        lane.fetcher->ResolveAhead(static_cast<int32_t>(lane.next->from), lane.next->count);
    };
    ask(*lanes_.front());
    while (lanes_.size() < connections_ && asked < total) ask(AddLane());
    if (ahead)
        for (const auto& lane : lanes_) lane->fetcher->ResolveAheadWith(NewClient());
    for (const auto& lane : lanes_) askAhead(*lane);

    while (!flight.empty()) {
        const Piece piece = flight.front();
        flight.pop_front();
        if (const int32_t ended = Await(*piece.lane); ended != kStepDone) return ended;
        // Only the body tells whether a piece came; an empty one would be asked for again and
        // again.
        if (!body_ || length_ == 0) return Fail(L"Setup failed to download " + job_.url);
        if (length_ > piece.count) return FailLongerThan(piece.count);
        if (CheckPieceStart(*piece.lane->client, piece.from, piece.count) != kStepDone)
            return kStepFailed;
        if (AppendBody() != kStepDone) return kStepFailed;
        // Written: its memory goes before the lane asks for another piece.
        std::free(body_);
        body_ = nullptr;
        if (CancelConfirmed()) return kStepCancelled;
        received += length_;
        ui_.ShowProgress(++ProgressStep, range);
        if (length_ < piece.count && (!flight.empty() || piece.lane->next)) {
            // The rest of a short piece comes before the pieces already asked for.
            const int32_t rest = piece.count - length_;
            piece.lane->fetcher->Start(static_cast<int32_t>(received), rest);
            flight.push_front({received, rest, piece.lane});
        } else {
            if (length_ < piece.count) asked = received;
            ask(*piece.lane);
            askAhead(*piece.lane);
        }
    }
    return kStepDone;
}

}  // namespace

int DownloadConnections(const std::optional<std::wstring>& value) {
    if (!value || value->size() != 1 || (*value)[0] < L'1' || (*value)[0] > L'8')
        return kDefaultConnections;
    return (*value)[0] - L'0';
}

int32_t DownloadPackage(StepFeedback& feedback, const DownloadJob& job,
                        const NetworkLimits& limits) {
    feedback.Log(L"IN->DownloadPrereqs ()");
    feedback.ShowStatus(job.statusText);
    const int connections = DownloadConnections(ReadEnvironment(L"Tellura_Connections"));
    return PieceDownload(feedback, job, limits, connections).Run();
}
