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
    Direction(int from, int to) : from_(from), to_(to) {}

    // Reading stops while this much waits, as a TCP window would stop the sender.
    static constexpr size_t kMaxQueued = 4 << 20;

    bool WantsRead() const { return !read_ended_ && queued_ < kMaxQueued; }
    bool WantsWrite() const { return blocked_; }
    bool Ended() const { return ended_; }

    // Reads what the socket has; `release` gives the time for the bytes (or 0 for the end).
    // False when the socket failed.
    template <typename Release>
    bool Read(Release release) {
        std::vector<char> bytes(16 << 10);
        const ssize_t got = read(from_, bytes.data(), bytes.size());
        if (got < 0) return errno == EAGAIN || errno == EINTR;
        bytes.resize(got);
        if (got == 0) read_ended_ = true;
        queued_ += got;
        chunks_.push_back({release(size_t(got)), std::move(bytes)});
        return true;
    }

    // Writes what is due by `now`. False when the socket failed.
    bool Flush(Clock::time_point now) {
        blocked_ = false;
        while (!chunks_.empty() && chunks_.front().release <= now) {
            Chunk& chunk = chunks_.front();
            if (chunk.bytes.empty()) {
                shutdown(to_, SHUT_WR);
                ended_ = true;
            }
            while (written_ < chunk.bytes.size()) {
                const ssize_t put = send(to_, chunk.bytes.data() + written_,
                                         chunk.bytes.size() - written_, MSG_NOSIGNAL);
                if (put < 0 && errno == EINTR) continue;
                if (put < 0 && errno == EAGAIN) {
                    blocked_ = true;
                    return true;
                }
                if (put < 0) return false;
                written_ += put;
            }
            queued_ -= chunk.bytes.size();
            written_ = 0;
            chunks_.pop_front();
        }
        return true;
    }

    // The next release still to come, when one is waiting and none is blocked.
    bool NextRelease(Clock::time_point* next) const {
        if (chunks_.empty() || blocked_) return false;
        *next = chunks_.front().release;
        return true;
    }

  private:
    struct Chunk {
        Clock::time_point release;
        std::vector<char> bytes;  // empty for the end of the stream
    };
    int from_;
    int to_;
    std::deque<Chunk> chunks_;
    size_t queued_ = 0;
    size_t written_ = 0;
    bool read_ended_ = false;
    bool ended_ = false;
    bool blocked_ = false;
};
