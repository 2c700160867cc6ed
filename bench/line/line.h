// When bytes that the proxy has read may leave it: each direction of the line delays them by half
// the round trip, and the downstream also passes them one after another at the line's bandwidth,
// shared by every connection as one line is.
#pragma once

#include <chrono>
#include <cstddef>

using Clock = std::chrono::steady_clock;

class Line {
  public:
    Line(std::chrono::microseconds round_trip, double bits_per_second)
        : round_trip_(round_trip), one_way_(round_trip / 2), bits_per_second_(bits_per_second) {}

    // Bytes from the client read now. A connection's first bytes could not have been sent before
    // its handshake took a round trip, which a connect on loopback does not.
    Clock::time_point UpstreamRelease(Clock::time_point now, Clock::time_point accepted) const {
        const Clock::time_point sent = now > accepted + round_trip_ ? now : accepted + round_trip_;
        return sent + one_way_;
    }

    // `size` bytes from the server read now: they start once the bytes before them have passed.
    Clock::time_point DownstreamRelease(Clock::time_point now, size_t size) {
        if (line_free_ < now) line_free_ = now;
        line_free_ += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(size * 8 / bits_per_second_));
        return line_free_ + one_way_;
    }

  private:
    Clock::duration round_trip_;
    Clock::duration one_way_;
    double bits_per_second_;
    Clock::time_point line_free_{};
};
