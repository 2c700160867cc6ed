// How long the setup's own requests (the server version check, the package download) wait for
// the network before they fail. The HTTP client's defaults wait for hours or without end; a
// silent server must not hold the setup that long.
#pragma once

#include <cstdint>

class QELHttpClient;

// Milliseconds to open a connection, and the longest time without a byte sent or received.
inline constexpr uint32_t kConnectTimeoutMs = 20000;
inline constexpr uint32_t kSendTimeoutMs = 30000;
inline constexpr uint32_t kReceiveTimeoutMs = 30000;
// A piece of a download that receives fewer bytes than this in this time fails: a server that
// trickles a byte now and then never trips the receive time-out.
inline constexpr uint32_t kMinPieceBytes = 1024;
inline constexpr uint32_t kMinPieceWindowMs = 60000;
// How often the worker looks at Cancel and at the rate while a piece comes.
inline constexpr uint32_t kPieceWatchSliceMs = 250;
// A piece cut off, refused, timed out or answered 408, 429 or 5xx is asked again after this
// delay, doubled for each further try of the same piece; a server's Retry-After replaces it,
// up to its own limit. A flaky line costs seconds, a dead server fails within a minute.
inline constexpr uint32_t kFirstRetryDelayMs = 1000;
inline constexpr uint32_t kLongestRetryAfterMs = 30000;
inline constexpr int kPieceRetries = 3;
inline constexpr int kDownloadRetries = 10;

// The limits above, as one value that tests can make smaller.
struct NetworkLimits {
    uint32_t connectMs = kConnectTimeoutMs;
    uint32_t sendMs = kSendTimeoutMs;
    uint32_t receiveMs = kReceiveTimeoutMs;
    uint32_t minPieceBytes = kMinPieceBytes;
    uint32_t minPieceWindowMs = kMinPieceWindowMs;
    uint32_t watchSliceMs = kPieceWatchSliceMs;
    uint32_t firstRetryDelayMs = kFirstRetryDelayMs;
    uint32_t longestRetryAfterMs = kLongestRetryAfterMs;
    int pieceRetries = kPieceRetries;
    int downloadRetries = kDownloadRetries;
};

// Sets the three time-outs on the client (options 2, 5 and 6); before the first request.
void ApplyNetworkTimeouts(QELHttpClient& client, const NetworkLimits& limits = {});
