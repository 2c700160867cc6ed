// The range requests of one download on a thread of its own, one piece at a time, so that the
// worker can answer Cancel and watch the rate while a piece comes. One thread serves the whole
// download, so that its pieces reuse one heap arena. An aborted request whose thread does not
// end at once (a name lookup cannot be stopped) is left to end by itself: the thread owns what
// it uses.
//
// When the link redirects, a second client and thread can ask the link for a later piece while
// a piece comes, so that its range goes out as soon as the piece before has ended: one round
// trip per piece instead of two. The link's answers carry no body: they hold no piece's memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/thread_group.h"

class QELHttpClient;

class PieceFetcher {
  public:
    PieceFetcher(std::shared_ptr<QELHttpClient> client, std::string url);
    ~PieceFetcher();
    PieceFetcher(const PieceFetcher&) = delete;
    PieceFetcher& operator=(const PieceFetcher&) = delete;

    // Asks for the piece; the previous one must have ended. A piece the link was asked for
    // ahead goes to where it redirected, without asking it again.
    void Start(int32_t from, int32_t count);
    // From now on ResolveAhead asks the link through `link`.
    void ResolveAheadWith(std::shared_ptr<QELHttpClient> link);
    // Asks the link now for a piece that a later Start asks for.
    void ResolveAhead(int32_t from, int32_t count);
    // Waits at most `milliseconds`; true when the piece has ended.
    bool WaitFor(uint32_t milliseconds);
    // Bytes the client received so far.
    int64_t BytesReceived() const;
    // Stops the request and every later one, the link's too.
    void Abort();

    // After the end: the client's result, and the body (null when none came), handed over.
    int32_t Result() const;
    // After an error status: the seconds that answer's Retry-After asks for, the link's
    // included.
    std::optional<uint32_t> RetryAfterSeconds() const;
    char* TakeBody(int32_t* length);

  private:
    struct Shared;
    // The thread's loop: one piece for each Start, until the fetcher ends.
    static void Serve(const std::shared_ptr<QELHttpClient>& client, const std::string& url,
                      const std::shared_ptr<Shared>& shared);
    // The link's thread: one request for each ResolveAhead.
    static void ServeLink(const std::shared_ptr<QELHttpClient>& link, const std::string& url,
                          const std::shared_ptr<Shared>& shared);

    std::shared_ptr<QELHttpClient> _client;
    std::shared_ptr<QELHttpClient> _link;
    std::string _url;
    std::shared_ptr<Shared> _shared;
    bool _aborted = false;
    ThreadGroup _threads;
};
