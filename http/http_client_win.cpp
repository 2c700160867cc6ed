#include <new>

#include "http/http_client.h"
#include "http/inet_driver.h"

QELHttpDriver* QELHttpCreateDefaultDriver(const char* userAgent, uint16_t major, uint16_t minor) {
    return new (std::nothrow) QELHttpInetDriver(userAgent, major, minor);
}

QELHttpDriver* QELHttpCreateSecureDriver(const char* userAgent, uint16_t major, uint16_t minor) {
    return new (std::nothrow) QELHttpInetDriver(userAgent, major, minor);
}
