// One direction of a proxied connection: the bytes read from one socket, each chunk held until
// its release time, then written to the other socket. The end of the stream is held the same way.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <vector>

#include "bench/line/line.h"

class Direction {
  public:
    Direction(int from, int to) : _from(from), _to(to) {}

    // Reading stops while this much waits, as a TCP window would stop the sender.
    static constexpr size_t kMaxQueued = 4 << 20;

    bool WantsRead() const { return !read_ended_ && _queued < kMaxQueued; }
    bool WantsWrite() const { return _blocked; }
    bool Ended() const { return _ended; }

    // Reads what the socket has; `release` gives the time for the bytes (or 0 for the end).
    // False when the socket failed.
    template <typename Release>
    bool Read(Release release) {
        std::vector<char> bytes(16 << 10);
        const ssize_t got = read(_from, bytes.data(), bytes.size());
        if (got < 0) return errno == EAGAIN || errno == EINTR;
        bytes.resize(got);
        if (got == 0) read_ended_ = true;
        _queued += got;
        _chunks.push_back({release(size_t(got)), std::move(bytes)});
        return true;
    }

    // Writes what is due by `now`. False when the socket failed.
    bool Flush(Clock::time_point now) {
        _blocked = false;
        while (!_chunks.empty() && _chunks.front().release <= now) {
            Chunk& chunk = _chunks.front();
            if (chunk.bytes.empty()) {
                shutdown(_to, SHUT_WR);
                _ended = true;
            }
            while (_written < chunk.bytes.size()) {
                const ssize_t put = send(_to, chunk.bytes.data() + _written,
                                         chunk.bytes.size() - _written, MSG_NOSIGNAL);
                if (put < 0 && errno == EINTR) continue;
                if (put < 0 && errno == EAGAIN) {
                    _blocked = true;
                    return true;
                }
                if (put < 0) return false;
                _written += put;
            }
            _queued -= chunk.bytes.size();
            _written = 0;
            _chunks.pop_front();
        }
        return true;
    }

    // The next release still to come, when one is waiting and none is blocked.
    bool NextRelease(Clock::time_point* next) const {
        if (_chunks.empty() || _blocked) return false;
        *next = _chunks.front().release;
        return true;
    }

  private:
    struct Chunk {
        Clock::time_point release;
        std::vector<char> bytes;  // empty for the end of the stream
    };
    int _from;
    int _to;
    std::deque<Chunk> _chunks;
    size_t _queued = 0;
    size_t _written = 0;
    bool read_ended_ = false;
    bool _ended = false;
    bool _blocked = false;
};
