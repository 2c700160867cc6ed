// A loopback HTTP server for tests: it answers each request it receives with the next canned
// reply, records the request bytes, and can close a connection after a reply.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httptest {

struct Reply {
    std::string bytes;
    bool closeAfter = false;
    // Keeps the connection open and silent after the bytes, until the server stops or the client
    // closes it: a server that never answers (no bytes) or stops in the middle of a body.
    bool holdAfter = false;
    // Sends the bytes one at a time with this pause between them (0: all at once).
    int paceMs = 0;
    // The bytes before this offset (a head, say) go at once all the same.
    size_t paceFrom = 0;
};

// A reply whose connection then stays open without another byte.
inline Reply Silent(std::string bytes = "") { return {std::move(bytes), false, true, 0}; }

struct ReceivedRequest {
    int connection = 0;  // 1 for the first accepted connection
    std::string bytes;   // head and body as they came in
};

class ScriptedServer {
  public:
    ScriptedServer() = default;
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Listens on 127.0.0.1 (port 0 picks a free one). When the replies run out, each further
    // request gets its connection closed; so does a connection whose first bytes are no HTTP
    // request (they are recorded as its request). False with a message when it cannot listen.
    bool Start(std::vector<Reply> replies, uint16_t port = 0, std::string* error = nullptr);
    void Stop();
    // Replaces the replies still to come (for replies that name the server's own port).
    void SetReplies(std::vector<Reply> replies);
    // Answers every request by what it asks (a range, say) instead of the canned replies; it is
    // called on the request's connection thread, outside the server's lock.
    void SetResponder(std::function<Reply(const std::string& request)> responder);

    uint16_t Port() const { return _port; }
    std::string Url(const std::string& path) const;
    std::vector<ReceivedRequest> Requests();
    int Connections();
    // Waits until `count` connections were closed by either side; false after `ms`.
    bool WaitClosed(int count, int ms);

  private:
    void Serve();
    void ServeConnection(intptr_t socket, int connection);
    bool ReadRequest(intptr_t socket, std::string* pending, std::string* request);
    bool SendReply(intptr_t socket, const Reply& reply);
    void NoteClosed();

    intptr_t _listener = 0;
    uint16_t _port = 0;
    std::thread _thread;
    std::atomic<bool> _stop{false};
    std::mutex _lock;
    std::condition_variable _changed;
    std::vector<Reply> _replies;
    std::function<Reply(const std::string&)> _responder;
    size_t _nextReply = 0;
    std::vector<ReceivedRequest> _requests;
    int _connections = 0;
    int _closed = 0;
};

}  // namespace httptest
