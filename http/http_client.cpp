#include "http/http_client.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "http/socket_driver.h"
#include "threads/qel_mutex.h"

namespace {

const char kSecureUserAgent[] = "ORVANT HTTP CLIENT v2.1-KV";

QELMutex* g_clientMutex = nullptr;

// The first construction creates the process-wide client mutex inside the library's global
// section; every construction takes it once.
void TouchClientMutex() {
    QELSysMTGlobalMutex(1, nullptr, 0);
    if (!g_clientMutex) g_clientMutex = new (std::nothrow) QELMutex(0, 0, 0);
    QELMutex* mutex = g_clientMutex;
    QELSysMTGlobalMutex(2, nullptr, 0);
    if (mutex) {
        mutex->Lock();
        mutex->Unlock();
    }
}

}  // namespace

uint32_t QELHttpTransformFlags(uint32_t flags) {
    return (flags & 0xF) == 1 ? (flags - 1) | kHttpFlagKeepAlive : flags;
}

QELHttpClient::QELHttpClient(const char* userAgent, uint16_t major, uint16_t minor) {
    if (getenv("HTTPDriver")) {
        _driver = new (std::nothrow) QELHttpSocketDriver(userAgent, major, minor);
    } else {
        _driver = QELHttpCreateDefaultDriver(userAgent, major, minor);
    }
    TouchClientMutex();
}

QELHttpClient::~QELHttpClient() { Release(); }

int32_t QELHttpClient::Release() {
    qel::PlainLock hold(_driverLock);
    delete _driver;
    _driver = nullptr;
    return kHttpOk;
}

int32_t QELHttpClient::SetOption(uint32_t option, const void* value, int32_t size) {
    if (!_driver) return -1;
    if (!value || size < 0) return kHttpInvalidArg;
    const int32_t result = _driver->SetOption(option, value, size);
    if (result >= 0)
        _options.emplace_back(
            option, std::string(static_cast<const char*>(value), static_cast<size_t>(size)));
    return result;
}

void QELHttpClient::SetBodyLimit(int32_t most) {
    _bodyLimit = most;
    if (_driver) _driver->SetBodyLimit(most);
}

void QELHttpClient::Abort() {
    qel::PlainLock hold(_driverLock);
    _aborted = true;
    if (_driver) _driver->Abort();
}

int64_t QELHttpClient::BytesReceived() const {
    qel::PlainLock hold(_driverLock);
    return _receivedBefore + (_driver ? _driver->BytesReceived() : 0);
}

int32_t QELHttpClient::SwitchForSecureUrl(const char* url) {
    if (!url || strncmp(url, "https://", 8) != 0 || _driver->SpeaksTls()) return kHttpOk;
    QELHttpDriver* secure = QELHttpCreateSecureDriver(kSecureUserAgent, _driver->MajorVersion(),
                                                      _driver->MinorVersion());
    // Without a secure driver the request must not go out in plain text.
    if (!secure) return QEL_E_FAIL;
    for (const auto& [option, value] : _options)
        secure->SetOption(option, value.data(), static_cast<int32_t>(value.size()));
    secure->SetBodyLimit(_bodyLimit);
    qel::PlainLock hold(_driverLock);
    _receivedBefore += _driver->BytesReceived();
    delete _driver;
    _driver = secure;
    if (_aborted) _driver->Abort();
    return kHttpOk;
}

int32_t QELHttpClient::Get(const char* url, uint32_t flags, char** body, int32_t* length,
                           int* keepAlive) {
    if (!_driver) return -1;
    int32_t result = SwitchForSecureUrl(url);
    if (result < 0) return result;
    return _driver->Get(url, QELHttpTransformFlags(flags), body, length, keepAlive);
}

int32_t QELHttpClient::GetRange(const char* url, uint32_t flags, int mode, int32_t from,
                                int32_t countOrTo, char** body, int32_t* length, int* keepAlive) {
    if (!_driver) return -1;
    int32_t result = SwitchForSecureUrl(url);
    if (result < 0) return result;
    return _driver->GetRange(url, QELHttpTransformFlags(flags), mode, from, countOrTo, body, length,
                             keepAlive);
}

int32_t QELHttpClient::ResolveRange(const char* url, uint32_t flags, int32_t from, int32_t count,
                                    std::string* target) {
    if (!_driver) return -1;
    int32_t result = SwitchForSecureUrl(url);
    if (result < 0) return result;
    return _driver->ResolveRange(url, QELHttpTransformFlags(flags), from, count, target);
}

int32_t QELHttpClient::Head(const char* url, QELHttpFileInfo* info) {
    if (!_driver) return -1;
    int32_t result = SwitchForSecureUrl(url);
    if (result < 0) return result;
    return _driver->Head(url, 0, info);
}

int32_t QELHttpClient::QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                                 const char* name) {
    if (!_driver) return -1;
    return _driver->QueryInfo(value, length, index, level, name);
}
