// On POSIX the socket driver is the only one so far.
#include <new>

#include "http/http_client.h"
#include "http/socket_driver.h"

QELHttpDriver* QELHttpCreateDefaultDriver(const char* userAgent, uint16_t major, uint16_t minor) {
    return new (std::nothrow) QELHttpSocketDriver(userAgent, major, minor);
}

QELHttpDriver* QELHttpCreateSecureDriver(const char*, uint16_t, uint16_t) { return nullptr; }
