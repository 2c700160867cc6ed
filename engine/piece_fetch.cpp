#include "engine/piece_fetch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <list>

#include "http/http_client.h"
#include "threads/qel_plain_mutex.h"

namespace {

// A busy server may say when to come back; only an answer with a status can.
int32_t RetryAfterOf(const QELHttpClient& client, int32_t result) {
    const QELHttpResponseInfo* answer = client.LastResponse();
    return result <= -100 && result >= -999 && answer ? answer->retryAfterSeconds : -1;
}

}  // namespace

// What the worker and the fetcher's threads share, all of it under the lock.
struct PieceFetcher::Shared {
    qel::PlainMutex lock;
    std::condition_variable changed;
    bool asked QEL_GUARDED_BY(lock) = false;
    bool done QEL_GUARDED_BY(lock) = false;
    bool quit QEL_GUARDED_BY(lock) = false;
    int32_t from QEL_GUARDED_BY(lock) = 0;
    int32_t count QEL_GUARDED_BY(lock) = 0;
    int32_t result QEL_GUARDED_BY(lock) = 0;
    char* body QEL_GUARDED_BY(lock) = nullptr;
    int32_t length QEL_GUARDED_BY(lock) = 0;
    int32_t retryAfter QEL_GUARDED_BY(lock) = -1;
    // The link's answers for later pieces, in the order they were asked for; an entry is
    // reached only through the list, so the list's guard covers it.
    struct Ahead {
        int32_t from = 0;
        int32_t count = 0;
        enum { kAsked, kRunning, kResolved } state = kAsked;
        int32_t result = 0;
        std::string target;  // empty: the link answered the range itself
        int32_t retryAfter = -1;
    };
    std::list<Ahead> aheads QEL_GUARDED_BY(lock);
    ~Shared() { std::free(body); }
};

PieceFetcher::PieceFetcher(std::shared_ptr<QELHttpClient> client, std::string url)
    : _client(std::move(client)), _url(std::move(url)), _shared(std::make_shared<Shared>()) {
    _threads.Start(
        [client = _client, shared = _shared, url = _url] { Serve(client, url, shared); });
}

void PieceFetcher::ResolveAheadWith(std::shared_ptr<QELHttpClient> link) {
    _link = std::move(link);
    _threads.Start([link = _link, shared = _shared, url = _url] { ServeLink(link, url, shared); });
}

void PieceFetcher::ResolveAhead(int32_t from, int32_t count) {
    qel::PlainLock hold(_shared->lock);
    Shared::Ahead ahead;
    ahead.from = from;
    ahead.count = count;
    _shared->aheads.push_back(std::move(ahead));
    _shared->changed.notify_all();
}

PieceFetcher::~PieceFetcher() {
    {
        qel::PlainLock hold(_shared->lock);
        _shared->quit = true;
        _shared->changed.notify_all();
    }
    // An aborted request may still wait in a call that cannot be stopped; the group joins the
    // threads of any other.
    if (_aborted) _threads.LeaveRunning();
}

void PieceFetcher::Start(int32_t from, int32_t count) {
    qel::PlainLock hold(_shared->lock);
    std::free(_shared->body);
    _shared->body = nullptr;
    _shared->length = 0;
    _shared->from = from;
    _shared->count = count;
    _shared->done = false;
    _shared->asked = true;
    _shared->changed.notify_all();
}

bool PieceFetcher::WaitFor(uint32_t milliseconds) {
    qel::PlainLock hold(_shared->lock);
    const auto ended = [this]() QEL_REQUIRES(_shared->lock) { return _shared->done; };
    return _shared->changed.wait_for(hold.ForWait(), std::chrono::milliseconds(milliseconds),
                                     ended);
}

int64_t PieceFetcher::BytesReceived() const { return _client->BytesReceived(); }

void PieceFetcher::Abort() {
    _aborted = true;
    _client->Abort();
    if (_link) _link->Abort();
}

int32_t PieceFetcher::Result() const {
    qel::PlainLock hold(_shared->lock);
    return _shared->result;
}

std::optional<uint32_t> PieceFetcher::RetryAfterSeconds() const {
    qel::PlainLock hold(_shared->lock);
    if (_shared->retryAfter < 0) return std::nullopt;
    return static_cast<uint32_t>(_shared->retryAfter);
}

char* PieceFetcher::TakeBody(int32_t* length) {
    qel::PlainLock hold(_shared->lock);
    char* body = _shared->body;
    *length = _shared->length;
    _shared->body = nullptr;
    return body;
}

void PieceFetcher::Serve(const std::shared_ptr<QELHttpClient>& client, const std::string& url,
                         const std::shared_ptr<Shared>& shared) {
    qel::PlainLock hold(shared->lock);
    for (;;) {
        shared->changed.wait(hold.ForWait(), [&]() QEL_REQUIRES(shared->lock) {
            return shared->asked || shared->quit;
        });
        if (shared->quit) return;
        shared->asked = false;
        const int32_t from = shared->from;
        const int32_t count = shared->count;
        int32_t result = 0;
        std::string target = url;
        int32_t retryAfter = -1;
        const auto ahead = std::find_if(
            shared->aheads.begin(), shared->aheads.end(),
            [&](const Shared::Ahead& a) { return a.from == from && a.count == count; });
        if (ahead != shared->aheads.end()) {
            shared->changed.wait(hold.ForWait(), [&]() QEL_REQUIRES(shared->lock) {
                return ahead->state == Shared::Ahead::kResolved || shared->quit;
            });
            if (shared->quit) return;
            // The link's failure is the piece's; asked again only where it sent no redirect.
            result = ahead->result;
            retryAfter = ahead->retryAfter;
            if (!ahead->target.empty()) target = std::move(ahead->target);
            shared->aheads.erase(ahead);
        }
        hold.Unlock();
        char* body = nullptr;
        int32_t length = 0;
        if (result >= 0) {
            result = client->GetRange(target.c_str(), 1, 0, from, count, &body, &length, nullptr);
            retryAfter = RetryAfterOf(*client, result);
        }
        hold.Lock();
        shared->result = result;
        shared->retryAfter = retryAfter;
        shared->body = body;
        shared->length = length;
        shared->done = true;
        shared->changed.notify_all();
    }
}

void PieceFetcher::ServeLink(const std::shared_ptr<QELHttpClient>& link, const std::string& url,
                             const std::shared_ptr<Shared>& shared) {
    qel::PlainLock hold(shared->lock);
    for (;;) {
        auto asked = shared->aheads.end();
        shared->changed.wait(hold.ForWait(), [&]() QEL_REQUIRES(shared->lock) {
            asked = std::find_if(
                shared->aheads.begin(), shared->aheads.end(),
                [](const Shared::Ahead& a) { return a.state == Shared::Ahead::kAsked; });
            return asked != shared->aheads.end() || shared->quit;
        });
        if (shared->quit) return;
        asked->state = Shared::Ahead::kRunning;
        const int32_t from = asked->from;
        const int32_t count = asked->count;
        hold.Unlock();
        std::string target;
        const int32_t result = link->ResolveRange(url.c_str(), 1, from, count, &target);
        const int32_t retryAfter = RetryAfterOf(*link, result);
        hold.Lock();
        asked->result = result;
        asked->retryAfter = retryAfter;
        asked->target = std::move(target);
        asked->state = Shared::Ahead::kResolved;
        shared->changed.notify_all();
    }
}
