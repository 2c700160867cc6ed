// The HTTP facade the setup holds: one driver, chosen at construction ("HTTPDriver" asks for
// the socket driver), moved to the WinInet driver for secure URLs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "http/http_driver.h"
#include "threads/qel_plain_mutex.h"

class QELHttpClient {
  public:
    QELHttpClient(const char* userAgent, uint16_t major, uint16_t minor);
    ~QELHttpClient();
    QELHttpClient(const QELHttpClient&) = delete;
    QELHttpClient& operator=(const QELHttpClient&) = delete;

    // Destroys the driver; the other operations then answer -1.
    int32_t Release();
    int32_t Get(const char* url, uint32_t flags, char** body, int32_t* length, int* keepAlive);
    int32_t GetRange(const char* url, uint32_t flags, int mode, int32_t from, int32_t countOrTo,
                     char** body, int32_t* length, int* keepAlive);
    // See QELHttpDriver::ResolveRange and FollowedRedirect.
    int32_t ResolveRange(const char* url, uint32_t flags, int32_t from, int32_t count,
                         std::string* target);
    bool FollowedRedirect() const { return _driver && _driver->FollowedRedirect(); }
    // See QELHttpDriver::LastResponse; null without a driver.
    const QELHttpResponseInfo* LastResponse() const {
        return _driver ? &_driver->LastResponse() : nullptr;
    }
    int32_t Head(const char* url, QELHttpFileInfo* info);
    int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                      const char* name);

    // Sets an option of the driver and keeps it, so that a driver taken for a secure URL gets
    // it too.
    int32_t SetOption(uint32_t option, const void* value, int32_t size);
    // Every later body is cut after this many bytes, whichever driver reads it (0: no limit).
    void SetBodyLimit(int32_t most);
    // Safe from any thread: ends the request in progress and every later one.
    void Abort();
    // Safe from any thread: the bytes received so far, by every driver this client had.
    int64_t BytesReceived() const;

    QELHttpDriver* Driver() const { return _driver; }

  private:
    int32_t SwitchForSecureUrl(const char* url);

    // Replaced or deleted only under the lock; the owning thread reads it without.
    QELHttpDriver* _driver = nullptr;
    std::vector<std::pair<uint32_t, std::string>> _options;
    // Guards the driver's replacement against Abort and BytesReceived from another thread.
    mutable qel::PlainMutex _driverLock;
    bool _aborted QEL_GUARDED_BY(_driverLock) = false;
    int64_t _receivedBefore QEL_GUARDED_BY(_driverLock) = 0;
    int32_t _bodyLimit = 0;
};

// Flags 1 (low four bits) mean keep-alive.
uint32_t QELHttpTransformFlags(uint32_t flags);

// The drivers this platform offers; null when it has none of that kind.
QELHttpDriver* QELHttpCreateDefaultDriver(const char* userAgent, uint16_t major, uint16_t minor);
QELHttpDriver* QELHttpCreateSecureDriver(const char* userAgent, uint16_t major, uint16_t minor);
