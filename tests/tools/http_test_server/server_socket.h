// The socket calls of the scripted server, one thin file per platform.
#pragma once

#include <cstdint>
#include <string>

namespace httptest {

// A socket listening on 127.0.0.1:`port` (0: any), or 0 with a message in `error`.
intptr_t Listen(uint16_t port, uint16_t* actualPort, std::string* error);
// An accepted socket, 0 when none came within `ms`, -1 on error.
intptr_t AcceptWithin(intptr_t listener, int ms);
// Bytes received, 0 when the peer closed, -1 on error, -2 when nothing came within `ms`.
int ReceiveWithin(intptr_t socket, char* buffer, int size, int ms);
bool SendAll(intptr_t socket, const char* data, size_t length);
void CloseSocket(intptr_t socket);

}  // namespace httptest
