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

// Sets the three limits on the client's driver (options 2, 5 and 6); before the first request.
void ApplyNetworkTimeouts(QELHttpClient& client);
