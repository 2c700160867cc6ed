#include "engine/piece_fetch.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "http/http_client.h"

struct PieceFetcher::Shared {
    std::mutex lock;
    std::condition_variable changed;
    bool asked = false;
    bool done = false;
    bool quit = false;
    int32_t from = 0;
    int32_t count = 0;
    int32_t result = 0;
    char* body = nullptr;
    int32_t length = 0;
    ~Shared() { std::free(body); }
};

PieceFetcher::PieceFetcher(std::shared_ptr<QELHttpClient> client, std::string url)
    : _client(std::move(client)), _shared(std::make_shared<Shared>()) {
    _thread = std::thread(
        [client = _client, shared = _shared, url = std::move(url)] { Serve(client, url, shared); });
}

PieceFetcher::~PieceFetcher() {
    {
        std::lock_guard<std::mutex> hold(_shared->lock);
        _shared->quit = true;
        _shared->changed.notify_all();
    }
    // An aborted request may still wait in a call that cannot be stopped.
    if (_aborted) {
        _thread.detach();
    } else {
        _thread.join();
    }
}

void PieceFetcher::Start(int32_t from, int32_t count) {
    std::lock_guard<std::mutex> hold(_shared->lock);
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
    std::unique_lock<std::mutex> hold(_shared->lock);
    return _shared->changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                     [this] { return _shared->done; });
}

int64_t PieceFetcher::BytesReceived() const { return _client->BytesReceived(); }

void PieceFetcher::Abort() {
    _aborted = true;
    _client->Abort();
}

int32_t PieceFetcher::Result() const {
    std::lock_guard<std::mutex> hold(_shared->lock);
    return _shared->result;
}

char* PieceFetcher::TakeBody(int32_t* length) {
    std::lock_guard<std::mutex> hold(_shared->lock);
    char* body = _shared->body;
    *length = _shared->length;
    _shared->body = nullptr;
    return body;
}

void PieceFetcher::Serve(const std::shared_ptr<QELHttpClient>& client, const std::string& url,
                         const std::shared_ptr<Shared>& shared) {
    std::unique_lock<std::mutex> hold(shared->lock);
    for (;;) {
        shared->changed.wait(hold, [&] { return shared->asked || shared->quit; });
        if (shared->quit) return;
        shared->asked = false;
        const int32_t from = shared->from;
        const int32_t count = shared->count;
        hold.unlock();
        char* body = nullptr;
        int32_t length = 0;
        const int32_t result =
            client->GetRange(url.c_str(), 1, 0, from, count, &body, &length, nullptr);
        hold.lock();
        shared->result = result;
        shared->body = body;
        shared->length = length;
        shared->done = true;
        shared->changed.notify_all();
    }
}
