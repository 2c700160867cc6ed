#include "tests/tools/http_test_server/scripted_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/tools/http_test_server/server_socket.h"

namespace httptest {

namespace {

const int kPollMs = 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// How many body bytes follow the head: -1 chunked, else the Content-Length (0 without).
long BodyFraming(const std::string& head) {
    std::string lower = Lower(head);
    if (lower.find("transfer-encoding: chunked") != std::string::npos) return -1;
    size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtol(head.c_str() + at + 17, nullptr, 10);
}

bool IsHttpStart(char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; }

}  // namespace

ScriptedServer::~ScriptedServer() { Stop(); }

bool ScriptedServer::Start(std::vector<Reply> replies, uint16_t port, std::string* error) {
    std::string message;
    _replies = std::move(replies);
    _listener = Listen(port, &_port, &message);
    if (!_listener) {
        if (error) *error = message;
        return false;
    }
    _stop = false;
    _thread = std::thread([this] { Serve(); });
    return true;
}

void ScriptedServer::Stop() {
    if (!_thread.joinable()) return;
    _stop = true;
    _thread.join();
    CloseSocket(_listener);
    _listener = 0;
}

void ScriptedServer::SetReplies(std::vector<Reply> replies) {
    std::lock_guard<std::mutex> hold(_lock);
    _replies = std::move(replies);
    _nextReply = 0;
}

void ScriptedServer::SetResponder(std::function<Reply(const std::string& request)> responder) {
    std::lock_guard<std::mutex> hold(_lock);
    _responder = std::move(responder);
}

std::string ScriptedServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(_port) + path;
}

std::vector<ReceivedRequest> ScriptedServer::Requests() {
    std::lock_guard<std::mutex> hold(_lock);
    return _requests;
}

int ScriptedServer::Connections() {
    std::lock_guard<std::mutex> hold(_lock);
    return _connections;
}

bool ScriptedServer::WaitClosed(int count, int ms) {
    std::unique_lock<std::mutex> hold(_lock);
    return _changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return _closed >= count; });
}

void ScriptedServer::NoteClosed() {
    std::lock_guard<std::mutex> hold(_lock);
    ++_closed;
    _changed.notify_all();
}

void ScriptedServer::Serve() {
    // Each connection has its own thread, so an idle kept-alive connection never holds up a
    // request that arrives on a new one.
    std::vector<std::thread> workers;
    while (!_stop) {
        intptr_t socket = AcceptWithin(_listener, kPollMs);
        if (socket <= 0) continue;
        int connection;
        {
            std::lock_guard<std::mutex> hold(_lock);
            connection = ++_connections;
        }
        workers.emplace_back([this, socket, connection] { ServeConnection(socket, connection); });
    }
    for (std::thread& worker : workers) worker.join();
}

bool ScriptedServer::ReadRequest(intptr_t socket, std::string* pending, std::string* request) {
    char buffer[4096];
    size_t headEnd;
    while ((headEnd = pending->find("\r\n\r\n")) == std::string::npos) {
        // Not an HTTP request (a TLS hello, say): taken as it came, to be recorded.
        if (!pending->empty() && !IsHttpStart((*pending)[0])) {
            request->swap(*pending);
            pending->clear();
            return true;
        }
        int got = ReceiveWithin(socket, buffer, sizeof(buffer), kPollMs);
        if (got == -2 && !_stop) continue;
        if (got <= 0) return false;
        pending->append(buffer, got);
    }
    size_t bodyStart = headEnd + 4;
    long framing = BodyFraming(pending->substr(0, bodyStart));
    for (;;) {
        size_t end;
        if (framing >= 0) {
            end = pending->size() >= bodyStart + framing ? bodyStart + framing : std::string::npos;
        } else {
            size_t last = pending->find("0\r\n\r\n", bodyStart);
            while (last != std::string::npos && last != bodyStart &&
                   pending->compare(last - 2, 2, "\r\n") != 0)
                last = pending->find("0\r\n\r\n", last + 1);
            end = last == std::string::npos ? last : last + 5;
        }
        if (end != std::string::npos) {
            *request = pending->substr(0, end);
            pending->erase(0, end);
            return true;
        }
        int got = ReceiveWithin(socket, buffer, sizeof(buffer), kPollMs);
        if (got == -2 && !_stop) continue;
        if (got <= 0) return false;
        pending->append(buffer, got);
    }
}

bool ScriptedServer::SendReply(intptr_t socket, const Reply& reply) {
    if (reply.paceMs == 0) return SendAll(socket, reply.bytes.data(), reply.bytes.size());
    const size_t atOnce = std::min(reply.paceFrom, reply.bytes.size());
    if (!SendAll(socket, reply.bytes.data(), atOnce)) return false;
    for (size_t i = atOnce; i < reply.bytes.size() && !_stop; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.paceMs));
        if (!SendAll(socket, reply.bytes.data() + i, 1)) return false;
    }
    return !_stop;
}

void ScriptedServer::ServeConnection(intptr_t socket, int connection) {
    std::string pending;
    std::string request;
    while (!_stop && ReadRequest(socket, &pending, &request)) {
        Reply reply;
        bool scripted = false;
        std::function<Reply(const std::string&)> responder;
        {
            std::lock_guard<std::mutex> hold(_lock);
            _requests.push_back({connection, request});
            responder = _responder;
            if (!responder && IsHttpStart(request[0]) && _nextReply < _replies.size()) {
                reply = _replies[_nextReply++];
                scripted = true;
            }
        }
        if (responder && IsHttpStart(request[0])) {
            reply = responder(request);
            scripted = true;
        }
        if (!scripted || !SendReply(socket, reply) || reply.closeAfter) break;
        if (reply.holdAfter) {
            // Until the server stops or the client goes.
            char byte;
            while (!_stop && ReceiveWithin(socket, &byte, 1, kPollMs) == -2) {
            }
            break;
        }
    }
    CloseSocket(socket);
    NoteClosed();
}

}  // namespace httptest
