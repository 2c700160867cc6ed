#include "engine/piece_fetch.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "http/http_client.h"

struct PieceFetch::Shared {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int32_t result = 0;
    char* body = nullptr;
    int32_t length = 0;
    ~Shared() { std::free(body); }
};

PieceFetch::PieceFetch(std::shared_ptr<QELHttpClient> client, std::string url, int32_t from,
                       int32_t count)
    : _client(std::move(client)), _shared(std::make_shared<Shared>()) {
    std::thread([client = _client, shared = _shared, url = std::move(url), from, count] {
        char* body = nullptr;
        int32_t length = 0;
        const int32_t result =
            client->GetRange(url.c_str(), 1, 0, from, count, &body, &length, nullptr);
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->result = result;
        shared->body = body;
        shared->length = length;
        shared->done = true;
        shared->ended.notify_all();
    }).detach();
}

// The thread holds its own references: an aborted fetch may still run when this ends.
PieceFetch::~PieceFetch() = default;

bool PieceFetch::WaitFor(uint32_t milliseconds) {
    std::unique_lock<std::mutex> hold(_shared->lock);
    return _shared->ended.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                   [this] { return _shared->done; });
}

int64_t PieceFetch::BytesReceived() const { return _client->BytesReceived(); }

void PieceFetch::Abort() { _client->Abort(); }

int32_t PieceFetch::Result() const {
    std::lock_guard<std::mutex> hold(_shared->lock);
    return _shared->result;
}

char* PieceFetch::TakeBody(int32_t* length) {
    std::lock_guard<std::mutex> hold(_shared->lock);
    char* body = _shared->body;
    *length = _shared->length;
    _shared->body = nullptr;
    return body;
}
