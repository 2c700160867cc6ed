// One range request on a thread of its own, so that the worker can answer Cancel and watch the
// rate while the piece comes. An aborted request whose thread does not end at once (a name
// lookup cannot be stopped) is left to end by itself: the thread owns what it uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QELHttpClient;

class PieceFetch {
  public:
    PieceFetch(std::shared_ptr<QELHttpClient> client, std::string url, int32_t from, int32_t count);
    ~PieceFetch();
    PieceFetch(const PieceFetch&) = delete;
    PieceFetch& operator=(const PieceFetch&) = delete;

    // Waits at most `milliseconds`; true when the request has ended.
    bool WaitFor(uint32_t milliseconds);
    // Bytes the client received so far.
    int64_t BytesReceived() const;
    // Stops the request; its result is not to be used.
    void Abort();

    // After the end: the client's result, and the body (null when none came), handed over.
    int32_t Result() const;
    char* TakeBody(int32_t* length);

  private:
    struct Shared;
    std::shared_ptr<QELHttpClient> _client;
    std::shared_ptr<Shared> _shared;
};
