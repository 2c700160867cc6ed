// The few socket calls the HTTP client needs, one thin file per platform.
#pragma once

#include <atomic>
#include <cstdint>

namespace qelnet {

constexpr intptr_t kNoSocket = 0;

// Starts the socket library once per process (Winsock); true when usable.
bool Startup();
// The first IPv4 address of `host` in network order; false when it does not resolve.
bool Resolve(const char* host, uint32_t* address);
// A connected TCP socket with TCP_NODELAY, or kNoSocket; a connect that has not succeeded
// within `timeoutMs` (0: no limit), or when `stop` is set, is given up.
intptr_t ConnectTcp(uint32_t address, uint16_t port, uint32_t timeoutMs,
                    const std::atomic<bool>* stop = nullptr);
// Limits the wait of each receive and each send call (0: no limit); false when refused.
bool SetTimeouts(intptr_t socket, uint32_t receiveMs, uint32_t sendMs);
// Results of one send or recv call: bytes, 0 closed, negative error. Never raises signals.
int32_t SendSome(intptr_t socket, const char* data, int32_t length);
int32_t ReceiveSome(intptr_t socket, char* buffer, int32_t size);
int32_t CloseSocket(intptr_t socket);
// 1 readable, 0 timed out, negative error; -1 ms waits without limit. Retries interrupted waits.
int32_t WaitReadable(intptr_t socket, int32_t milliseconds);

}  // namespace qelnet
