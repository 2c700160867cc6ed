#include "engine/package_download.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "base/environment.h"
#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "engine/piece_fetch.h"
#include "engine/cancel_question.h"
#include "engine/piece_outcome.h"
#include "engine/step_exits.h"
#include "engine/step_result.h"
#include "http/http_client.h"

namespace {

std::wstring Number(int64_t value) { return std::to_wstring(value); }

// The double blank of the done line is the log's own.
constexpr StepExits kDownloadExits{L"OUT->DownloadPrereqs ()  OK",
                                   L"OUT->DownloadPrereqs () CANCEL",
                                   L"OUT->DownloadPrereqs () KO"};

struct Lane;

// A piece asked for and not yet written.
struct Piece {
    int64_t from = 0;
    int32_t count = 0;
    Lane* lane = nullptr;
    int retries = 0;  // tries after the first, the rest of a short piece's included
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
        : _ui(feedback), _job(job), _limits(limits), _connections(connections) {}
    ~PieceDownload() {
        std::free(_body);
        if (_file) std::fclose(_file);
    }

    // Downloads and logs why it failed.
    int32_t Run() {
        const int32_t result = Steps();
        // Every connection stops with the first piece that fails or the user's Yes.
        if (result != kStepDone)
            for (const auto& lane : _lanes) lane->fetcher->Abort();
        if (!_message.empty()) _ui.Log(_message);
        return result;
    }

  private:
    int32_t Steps();
    int32_t Fail(std::wstring message) {
        _message = std::move(message);
        return kStepFailed;
    }
    PieceOutcome Fatal(std::wstring failure, int32_t result = kStepFailed) const {
        PieceOutcome outcome;
        outcome.kind = PieceOutcome::kFatal;
        outcome.clientResult = _fetchResult;
        outcome.failure = std::move(failure);
        outcome.result = result;
        return outcome;
    }
    PieceOutcome LongerThan(int32_t asked) const {
        return Fatal(FillConversions(L"Setup failed - %d  downloaded bytes > %d asked bytes",
                                     {Number(_length), Number(asked)}));
    }
    PieceOutcome NotDownloaded() const { return Fatal(L"Setup failed to download " + _job.url); }
    Lane& AddLane();
    void Renew(Lane& lane);
    std::shared_ptr<QELHttpClient> NewClient() const;
    PieceOutcome Receive(const Piece& piece);
    PieceOutcome Examine(const Piece& piece);
    std::optional<int32_t> Decide(Piece piece, const PieceOutcome& outcome);
    std::optional<int32_t> AskAgain(Piece piece, const PieceOutcome& outcome);
    std::optional<int32_t> Write(const Piece& piece, PieceOutcome::Kind kind);
    bool WaitFor(PieceFetcher& fetch, bool& tooSlow);
    bool PauseFor(uint32_t milliseconds);
    // The cancel question; a Yes leaves the reason for the log.
    bool CancelAsked();
    void StartTheRest();
    std::optional<Piece> Take();
    void Ask(Lane& lane);
    void AskAhead(Lane& lane);
    int32_t AppendBody();
    static const QELHttpResponseInfo& Answer(const QELHttpClient& client);
    PieceOutcome TotalSize(QELHttpClient& client);
    PieceOutcome CheckPieceStart(QELHttpClient& client, int64_t from, int32_t count);

    StepFeedback& _ui;
    const DownloadJob& _job;
    const NetworkLimits& _limits;
    const size_t _connections;
    std::string _url;
    std::vector<std::unique_ptr<Lane>> _lanes;
    std::deque<Piece> _flight;  // asked for and not yet written, in file order
    bool _ahead = false;        // each connection asks the link for its next piece early
    int64_t _total = -1;        // the file's size, once the first answer told it
    int64_t _received = 0;      // bytes written
    int64_t _asked = 0;         // where the next piece starts
    int32_t _range = 0;         // of the progress bar
    int _retries = 0;           // of the whole download
    FILE* _file = nullptr;
    char* _body = nullptr;
    int32_t _length = 0;
    int32_t _fetchResult = 0;  // the client's result for the last piece
    std::wstring _message;
};

std::shared_ptr<QELHttpClient> PieceDownload::NewClient() const {
    auto client = std::make_shared<QELHttpClient>(nullptr, 1, 1);
    // A server that goes quiet mid-piece ends the download instead of freezing it.
    ApplyNetworkTimeouts(*client, _limits);
    return client;
}

Lane& PieceDownload::AddLane() {
    auto lane = std::make_unique<Lane>();
    lane->client = NewClient();
    lane->fetcher = std::make_unique<PieceFetcher>(lane->client, _url);
    _lanes.push_back(std::move(lane));
    return *_lanes.back();
}

// A fault may leave its connection half-read or stuck: the lane goes on with fresh ones.
void PieceDownload::Renew(Lane& lane) {
    lane.fetcher->Abort();
    lane.client = NewClient();
    lane.fetcher = std::make_unique<PieceFetcher>(lane.client, _url);
    if (_ahead) lane.fetcher->ResolveAheadWith(NewClient());
}

// Waits for the piece while the worker answers Cancel and watches its rate, then reads what
// came of it.
PieceOutcome PieceDownload::Receive(const Piece& piece) {
    std::free(_body);
    _body = nullptr;
    _length = 0;
    _fetchResult = kHttpOk;
    PieceOutcome outcome;
    bool tooSlow = false;
    if (!WaitFor(*piece.lane->fetcher, tooSlow)) {
        outcome.kind = PieceOutcome::kCancelled;
        if (!tooSlow) return outcome;
        outcome.kind = PieceOutcome::kTransient;
        outcome.cause = L"time-out";
        outcome.failure = FillConversions(
            L"Setup failed - fewer than %d bytes in %d s from %s",
            {Number(_limits.minPieceBytes), Number(_limits.minPieceWindowMs / 1000), _job.url});
        return outcome;
    }
    _body = piece.lane->fetcher->TakeBody(&_length);
    _fetchResult = piece.lane->fetcher->Result();
    if (_fetchResult != kHttpOk) {
        outcome = FailedRequest(_fetchResult);
        outcome.failure = L"Setup failed to download " + _job.url;
        outcome.retryAfterSeconds = piece.lane->fetcher->RetryAfterSeconds();
        return outcome;
    }
    return Examine(piece);
}

// What a piece that came says of itself: all of it, a part, or an answer that cannot be used.
PieceOutcome PieceDownload::Examine(const Piece& piece) {
    if (_total < 0) {
        // The first answer: it tells the file's size.
        if (!_body) return NotDownloaded();
        if (_length > piece.count || _length <= 0) return LongerThan(piece.count);
        return TotalSize(*piece.lane->client);
    }
    // Only the body tells whether a piece came; an empty one would be asked for again and again.
    if (!_body || _length == 0) return NotDownloaded();
    if (_length > piece.count) return LongerThan(piece.count);
    PieceOutcome outcome = CheckPieceStart(*piece.lane->client, piece.from, piece.count);
    if (outcome.kind == PieceOutcome::kDone && _length < piece.count)
        outcome.kind = PieceOutcome::kShort;
    return outcome;
}

// The one place that decides what becomes of a piece: written (and its rest asked for), asked
// again after a pause, or the end of the download. Nothing when the download goes on.
std::optional<int32_t> PieceDownload::Decide(Piece piece, const PieceOutcome& outcome) {
    switch (outcome.kind) {
        case PieceOutcome::kDone:
        case PieceOutcome::kShort:
            return Write(piece, outcome.kind);
        case PieceOutcome::kCancelled:
            return kStepCancelled;
        case PieceOutcome::kTransient:
            if (piece.retries < _limits.pieceRetries && _retries < _limits.downloadRetries)
                return AskAgain(piece, outcome);
            break;
        case PieceOutcome::kFatal:
            break;
    }
    if (!outcome.cause.empty())
        _ui.Log(FillConversions(L"Piece at %I64d: %s", {Number(piece.from), outcome.cause}));
    _message = outcome.failure;
    return outcome.result;
}

// The whole piece again on fresh connections, after the pause its try calls for.
std::optional<int32_t> PieceDownload::AskAgain(Piece piece, const PieceOutcome& outcome) {
    ++piece.retries;
    ++_retries;
    const uint32_t delay = RetryDelayMs(_limits, piece.retries, outcome.retryAfterSeconds);
    _ui.Log(FillConversions(L"Piece at %I64d: %s; asking again in %s s (%d of %d)",
                            {Number(piece.from), outcome.cause, Seconds(delay),
                             Number(piece.retries), Number(_limits.pieceRetries)}));
    Renew(*piece.lane);
    if (!PauseFor(delay)) return kStepCancelled;
    piece.lane->fetcher->Start(static_cast<int32_t>(piece.from), piece.count);
    _flight.push_front(piece);
    return std::nullopt;
}

std::optional<int32_t> PieceDownload::Write(const Piece& piece, PieceOutcome::Kind kind) {
    if (!_file) {
        _file = CreatePackageFile(_job.localPath);
        if (!_file) return Fail(L"Cannot open file " + _job.localPath);
    }
    if (AppendBody() != kStepDone) return kStepFailed;
    // Written: its memory goes before the lane asks for another piece.
    std::free(_body);
    _body = nullptr;
    if (_received == 0) {
        _received = _length;
        _range = static_cast<int32_t>((_total - _received) / kPieceSize - 1);
        ProgressStep = 0;
        _ui.ShowProgress(0, _range);
        StartTheRest();
        return std::nullopt;
    }
    if (CancelAsked()) return kStepCancelled;
    _received += _length;
    _ui.ShowProgress(++ProgressStep, _range);
    if (kind == PieceOutcome::kShort && (!_flight.empty() || piece.lane->next)) {
        // The rest of a short piece comes before the pieces already asked for.
        const Piece rest{_received, piece.count - _length, piece.lane, piece.retries};
        piece.lane->fetcher->Start(static_cast<int32_t>(rest.from), rest.count);
        _flight.push_front(rest);
    } else {
        if (kind == PieceOutcome::kShort) _asked = _received;
        Ask(*piece.lane);
        AskAhead(*piece.lane);
    }
    return std::nullopt;
}

// False when the piece did not end: cancelled, or too slow (`tooSlow`).
bool PieceDownload::WaitFor(PieceFetcher& fetch, bool& tooSlow) {
    using Clock = std::chrono::steady_clock;
    const auto window = std::chrono::milliseconds(_limits.minPieceWindowMs);
    auto windowStart = Clock::now();
    int64_t bytesAtStart = fetch.BytesReceived();
    while (!fetch.WaitFor(_limits.watchSliceMs)) {
        if (CancelAsked()) return false;
        if (Clock::now() - windowStart < window) continue;
        const int64_t bytes = fetch.BytesReceived();
        if (bytes - bytesAtStart < _limits.minPieceBytes) {
            tooSlow = true;
            return false;
        }
        windowStart = Clock::now();
        bytesAtStart = bytes;
    }
    return true;
}

// The pause before a retry, in slices that answer Cancel; false when it was confirmed.
bool PieceDownload::PauseFor(uint32_t milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        std::this_thread::sleep_for(
            std::min(left, std::chrono::milliseconds(_limits.watchSliceMs)));
        if (CancelAsked()) return false;
    }
    return true;
}

bool PieceDownload::CancelAsked() {
    const bool confirmed = CancelConfirmed(_ui);
    if (confirmed) _message = L"Setup was interrupted by user during download of " + _job.url;
    return confirmed;
}

int32_t PieceDownload::AppendBody() {
    const size_t written = std::fwrite(_body, 1, static_cast<size_t>(_length), _file);
    if (written == static_cast<size_t>(_length)) return kStepDone;
    return Fail(
        FillConversions(L"Setup wrote only %d bytes in %s instead of %d bytes",
                        {Number(static_cast<int64_t>(written)), _job.localPath, Number(_length)}));
}

// The head of the last answer, as the client parsed it.
const QELHttpResponseInfo& PieceDownload::Answer(const QELHttpClient& client) {
    static const QELHttpResponseInfo kNone;
    const QELHttpResponseInfo* answer = client.LastResponse();
    return answer ? *answer : kNone;
}

// What the first answer says about the whole file's size.
PieceOutcome PieceDownload::TotalSize(QELHttpClient& client) {
    const QELHttpResponseInfo& answer = Answer(client);
    if (answer.status == 200) {
        _total = _length;
        return {};
    }
    if (answer.status != 206) return Fatal(L"", QEL_E_FAIL);
    if (answer.contentRange.empty()) return Fatal(L"", kHttpHeaderNotFound);
    if (answer.rangeTotal < 0) {
        return Fatal(L"Setup failed - no total size in Content-Range " +
                     std::wstring(answer.contentRange.begin(), answer.contentRange.end()));
    }
    // Offsets go out as 32-bit numbers, and a total below what came already cannot be right.
    if (answer.rangeTotal < _length || answer.rangeTotal > INT32_MAX) {
        return Fatal(
            FillConversions(L"Setup failed - total size %I64d does not fit %d received bytes",
                            {Number(answer.rangeTotal), Number(_length)}));
    }
    PieceOutcome outcome = CheckPieceStart(client, 0, kPieceSize);
    if (outcome.kind == PieceOutcome::kDone) _total = answer.rangeTotal;
    return outcome;
}

// A piece from another offset than the one asked for would be written in the wrong place: a 206
// must start there and end within the count; a 200 is the file from its start.
PieceOutcome PieceDownload::CheckPieceStart(QELHttpClient& client, int64_t from, int32_t count) {
    const QELHttpResponseInfo& answer = Answer(client);
    int64_t first = -1;
    int64_t last = -1;
    if (answer.status == 206) {
        first = answer.rangeFirst;
        last = answer.rangeLast;
    } else if (answer.status == 200) {
        first = 0;
        last = static_cast<int64_t>(_length) - 1;
    }
    if (first >= 0 && first == from && last < from + count) return {};
    return Fatal(FillConversions(L"Setup failed - asked for bytes from %I64d, got bytes from %s",
                                 {Number(from), first >= 0 ? Number(first) : L"nowhere"}));
}

int32_t PieceDownload::Steps() {
    _ui.Log(FillConversions(L"Downloading %s from %s", {_job.localPath, _job.url}));
    const std::optional<std::string> url = MultiByteUrl(_job.url);
    if (!url) return Fail(L"Setup failed to download " + _job.url);
    _url = *url;
    Lane& first = AddLane();
    _ui.Log(_job.statusText);

    first.fetcher->Start(0, kPieceSize);
    _flight.push_back({0, kPieceSize, &first, 0});
    while (!_flight.empty()) {
        const Piece piece = _flight.front();
        _flight.pop_front();
        if (const std::optional<int32_t> ended = Decide(piece, Receive(piece))) return *ended;
    }
    _ui.ShowProgress(_range, _range);
    // The last bytes may still wait in the stream's buffer: a full disk shows only here.
    const int closed = std::fclose(_file);
    _file = nullptr;
    if (closed != 0) return Fail(L"Setup could not complete the file " + _job.localPath);
    return kStepDone;
}

// The pieces after the first, one in flight on each connection, written in file order. With
// one connection each piece starts where the last one ended, whatever its length. With more,
// and a link that redirects, each connection asks the link for its next piece while its piece
// comes. Pieces go to the connections in turn, since they are written, and the connections
// freed, in file order: every piece in flight lies before every piece asked for next.
void PieceDownload::StartTheRest() {
    // Asked before the first lane's next request, which forgets the redirect.
    _ahead = _connections > 1 && _lanes.front()->client->FollowedRedirect();
    _asked = _received;
    Ask(*_lanes.front());
    while (_lanes.size() < _connections && _asked < _total) Ask(AddLane());
    if (_ahead)
        for (const auto& lane : _lanes) lane->fetcher->ResolveAheadWith(NewClient());
    for (const auto& lane : _lanes) AskAhead(*lane);
}

std::optional<Piece> PieceDownload::Take() {
    if (_asked >= _total) return std::nullopt;
    const int32_t count =
        _total - _asked > kPieceSize ? kPieceSize : static_cast<int32_t>(_total - _asked);
    _asked += count;
    return Piece{_asked - count, count, nullptr, 0};
}

void PieceDownload::Ask(Lane& lane) {
    std::optional<Piece> piece = std::exchange(lane.next, std::nullopt);
    if (!piece) piece = Take();
    if (!piece) return;
    piece->lane = &lane;
    lane.fetcher->Start(static_cast<int32_t>(piece->from), piece->count);
    _flight.push_back(*piece);
}

void PieceDownload::AskAhead(Lane& lane) {
    if (!_ahead || !(lane.next = Take())) return;
    lane.fetcher->ResolveAhead(static_cast<int32_t>(lane.next->from), lane.next->count);
}

}  // namespace

int DownloadConnections(const std::optional<std::wstring>& value) {
    if (!value || value->size() != 1 || (*value)[0] < L'1' || (*value)[0] > L'8')
        return kDefaultConnections;
    return (*value)[0] - L'0';
}

int32_t DownloadPackage(StepFeedback& feedback, const DownloadJob& job,
                        const NetworkLimits& limits) {
    WorkerStep step(feedback, L"IN->DownloadPrereqs ()", kDownloadExits);
    feedback.ShowStatus(job.statusText);
    const int connections = DownloadConnections(ReadEnvironment(L"Tellura_Connections"));
    return step.Ends(PieceDownload(feedback, job, limits, connections).Run());
}
