// WinInet driver: connections, requests and sending.
#include "http/inet_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "http/text_buffer.h"

namespace {

const char kDefaultUserAgent[] = "ORVANT HTTP CLIENT/v2.1-KV";
const char kLocalHost[] = "localhost";
// A secure request whose certificate keeps failing is not sent again and again.
const int kMaxSendAttempts = 3;

bool IsCertificateError(DWORD error) {
    return error == ERROR_INTERNET_SEC_CERT_DATE_INVALID ||
           error == ERROR_INTERNET_SEC_CERT_CN_INVALID || error == ERROR_INTERNET_INVALID_CA;
}

// The local computer name, read once per process; null when it cannot be read.
const char* ComputerName() {
    static char name[MAX_COMPUTERNAME_LENGTH + 1];
    static const bool known = [] {
        DWORD size = sizeof(name);
        return GetComputerNameA(name, &size) != 0;
    }();
    return known ? name : nullptr;
}

// WinInet's canonical form of a URL, as browsers send it; null on failure.
char* Canonicalize(const char* url) {
    DWORD size = static_cast<DWORD>(strlen(url) * 3 + 1);
    char* canonical = static_cast<char*>(malloc(size));
    if (!canonical) return nullptr;
    if (!QELHttpWinInet().InternetCanonicalizeUrlA(url, canonical, &size, ICU_BROWSER_MODE)) {
        free(canonical);
        return nullptr;
    }
    return canonical;
}

}  // namespace

int32_t QELHttpLastError() {
    DWORD error = GetLastError();
    return error ? static_cast<int32_t>(0x80070000u | (error & 0xFFFFu)) : QEL_E_FAIL;
}

QELHttpInetDriver::QELHttpInetDriver(const char* userAgent, uint16_t major, uint16_t minor)
    : QELHttpDriver(major, minor) {
    _speaksTls = true;
    _userAgent = QELHttpCopyText(userAgent ? userAgent : kDefaultUserAgent);
    _parent = GetDesktopWindow();
}

QELHttpInetDriver::~QELHttpInetDriver() {
    // Children first: a closed parent handle invalidates its children.
    Drop(_request);
    Drop(_connection);
    Drop(_internet);
    free(_userAgent);
    free(_host);
    free(_pending);
}

void QELHttpInetDriver::Keep(HINTERNET& slot, HINTERNET handle) {
    std::lock_guard<std::mutex> hold(_handleLock);
    if (_watch.stop && handle) {
        _inet.InternetCloseHandle(handle);
        handle = nullptr;
    }
    slot = handle;
}

void QELHttpInetDriver::Drop(HINTERNET& slot) {
    std::lock_guard<std::mutex> hold(_handleLock);
    // After Abort the handles are closed already.
    if (slot && !_watch.stop) _inet.InternetCloseHandle(slot);
    slot = nullptr;
}

void QELHttpInetDriver::Abort() {
    std::lock_guard<std::mutex> hold(_handleLock);
    if (_watch.stop.exchange(true)) return;
    for (HINTERNET handle : {_request, _connection, _internet})
        if (handle) _inet.InternetCloseHandle(handle);
}

int32_t QELHttpInetDriver::Connect(const char* host, uint16_t port, int access) {
    if (!host) return kHttpNameNotResolved;
    const char* computer = ComputerName();
    if (!computer) return QEL_E_FAIL;
    if (_stricmp(host, computer) == 0) host = kLocalHost;
    // The connection of the last request to this server needs none of its set-up again: under
    // Wine those calls cost more than the request itself.
    if (_connection && port == _port && _host && _stricmp(host, _host) == 0) return kHttpOk;
    if (_inet.InternetAttemptConnect(0) != ERROR_SUCCESS) return QELHttpLastError();
    if (!_internet) {
        Keep(_internet,
             _inet.InternetOpenA(_userAgent, static_cast<DWORD>(access), nullptr, nullptr, 0));
        if (!_internet) return QELHttpLastError();
    }
    if (_connection && (port != _port || !_host || _stricmp(host, _host) != 0)) {
        Drop(_connection);
        free(_host);
        _host = nullptr;
    }
    _port = port;
    if (!_host) {
        _host = QELHttpCopyText(host);
        if (!_host) return kHttpOutOfMemory;
    }
    if (!_connection) {
        Keep(_connection,
             _inet.InternetConnectA(_internet, _host, port, "", "", INTERNET_SERVICE_HTTP, 0, 0));
        if (!_connection) return QELHttpLastError();
    }
    DWORD state = 0;
    if (!_inet.InternetGetConnectedState(&state, 0) && _stricmp(_host, kLocalHost) != 0)
        return QEL_E_FAIL;
    if (state & INTERNET_CONNECTION_OFFLINE) {
        INTERNET_CONNECTED_INFO online = {INTERNET_STATE_CONNECTED, 0};
        _inet.InternetSetOptionA(_connection, INTERNET_OPTION_CONNECTED_STATE, &online,
                                 sizeof(online));
    }
    const struct {
        DWORD option;
        DWORD* value;
    } timeouts[] = {{INTERNET_OPTION_RECEIVE_TIMEOUT, &_receiveTimeout},
                    {INTERNET_OPTION_SEND_TIMEOUT, &_sendTimeout},
                    {INTERNET_OPTION_CONNECT_TIMEOUT, &_connectTimeout}};
    for (const auto& timeout : timeouts) {
        if (!_inet.InternetSetOptionW(_connection, timeout.option, timeout.value, sizeof(DWORD)))
            return QELHttpLastError();
    }
    return kHttpOk;
}

int32_t QELHttpInetDriver::ConnectUrl(const char* url) {
    if (!url) return kHttpInvalidArg;
    char* host = nullptr;
    char* path = nullptr;
    uint16_t port = INTERNET_DEFAULT_HTTP_PORT;
    int32_t result = CrackUrl(url, &host, &port, &path, nullptr);
    free(host);
    free(path);
    return result;
}

int32_t QELHttpInetDriver::CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                                    char** extra) {
    if (!url || !host || !port || !path) return kHttpInvalidArg;
    *host = *path = nullptr;
    if (extra) *extra = nullptr;
    char* canonical = Canonicalize(url);
    if (!canonical) return GetLastError() ? QELHttpLastError() : kHttpOutOfMemory;
    // Pointers into the canonical URL with their lengths; the copies are made from them.
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!_inet.InternetCrackUrlA(canonical, 0, 0, &parts)) {
        int32_t error = QELHttpLastError();
        free(canonical);
        return error;
    }
    *host = QELHttpCopyText(parts.lpszHostName ? parts.lpszHostName : "", parts.dwHostNameLength);
    QELHttpTextBuffer target;
    bool ok =
        *host && target.Append(parts.lpszUrlPath ? parts.lpszUrlPath : "", parts.dwUrlPathLength) &&
        target.Append(parts.lpszExtraInfo ? parts.lpszExtraInfo : "", parts.dwExtraInfoLength);
    _scheme = parts.nScheme;
    *port = parts.nPort;
    free(canonical);
    *path = ok ? target.Release() : nullptr;
    if (!*path) {
        free(*host);
        *host = nullptr;
        return kHttpOutOfMemory;
    }
    return Connect(*host, *port, 0);
}

int32_t QELHttpInetDriver::OpenRequest(const char* verb, const char* url, uint32_t flags,
                                       int noAccept) {
    char* host = nullptr;
    char* path = nullptr;
    char* extra = nullptr;
    uint16_t port = INTERNET_DEFAULT_HTTP_PORT;
    // A URL that cannot be split opens nothing and says so, rather than leaving the previous
    // request in place as if it were this one.
    int32_t result = CrackUrl(url, &host, &port, &path, &extra);
    if (result == kHttpOk) {
        Drop(_request);
        _state &= kStateCredentials;
        if (!_connection) {
            result = kHttpDisconnected;
        } else {
            const char* acceptAll[] = {"*/*", nullptr};
            // The request model follows redirects itself, a bounded number of times; WinInet
            // would follow a server's redirect loop without end (Wine does).
            // A certificate's name and dates are checked.
            DWORD requestFlags = flags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                 INTERNET_FLAG_NO_CACHE_WRITE |
                                 (IsSecure() ? INTERNET_FLAG_SECURE : 0);
            Keep(_request, _inet.HttpOpenRequestA(_connection, verb, path, nullptr, nullptr,
                                                  noAccept ? nullptr : acceptAll, requestFlags,
                                                  reinterpret_cast<DWORD_PTR>(this)));
            if (_request) {
                _state |= kStateOpened;
                _bodyLengthMode = -2;
            } else {
                result = QELHttpLastError();
            }
        }
    }
    if (_request && extra) result = AddRequestHeaders(extra, kHttpAddCoalesceComma);
    if (_request && _pending && result == kHttpOk) {
        if (!_inet.HttpAddRequestHeadersA(_request, _pending, static_cast<DWORD>(_pendingLength),
                                          HTTP_ADDREQ_FLAG_REPLACE | HTTP_ADDREQ_FLAG_ADD))
            result = QELHttpLastError();
        free(_pending);
        _pending = nullptr;
        _pendingLength = 0;
    }
    free(host);
    free(path);
    free(extra);
    return result;
}

int32_t QELHttpInetDriver::AddRequestHeaders(const char* text, uint32_t modifiers) {
    if (!(_state & kStateOpened)) return MergeHeader(text, modifiers, &_pendingLength, &_pending);
    if (!_connection || !_request) return kHttpDisconnected;
    if (!text) return kHttpOk;
    if (!_inet.HttpAddRequestHeadersA(_request, text, static_cast<DWORD>(strlen(text)), modifiers))
        return QELHttpLastError();
    return kHttpOk;
}

void QELHttpInetDriver::CopyCredentialsToRequest() {
    for (DWORD option : {INTERNET_OPTION_USERNAME, INTERNET_OPTION_PASSWORD}) {
        DWORD size = 0;
        if (_inet.InternetQueryOptionA(_connection, option, nullptr, &size) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            continue;
        std::vector<char> value(size + 1, 0);
        DWORD got = size + 1;
        if (_inet.InternetQueryOptionA(_connection, option, value.data(), &got))
            _inet.InternetSetOptionA(_request, option, value.data(), size + 1);
    }
}

int32_t QELHttpInetDriver::AnswerCertificateError(DWORD) {
    // Only a caller's own security flags waive a check; nobody is asked to accept a
    // certificate, since the setup runs elevated and nothing would tell the user what it means.
    if (!(_securityFlags & 0xFF00)) return QEL_E_FAIL;
    DWORD flags = 0;
    DWORD size = sizeof(flags);
    if (!_inet.InternetQueryOptionA(_request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size))
        return QEL_E_FAIL;
    flags |= _securityFlags & 0xFF00;
    if (!_inet.InternetSetOptionA(_request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags)))
        return QEL_E_FAIL;
    return kHttpOk;
}

int32_t QELHttpInetDriver::BeginRequest(int, int32_t length, int chunked) {
    if (!_connection || !_request) return kHttpDisconnected;
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    int32_t result = kHttpOk;
    if (chunked) {
        _state |= kStateChunked;
        result = AddRequestHeaders("Transfer-Encoding: chunked\r\n", kHttpAddCoalesceComma);
    } else {
        buffers.dwBufferTotal = static_cast<DWORD>(length);
    }
    if (result == kHttpOk)
        result = AddRequestHeaders("Proxy-Connection: Keep-Alive\r\n", kHttpAddCoalesceComma);
    if (result != kHttpOk) return result;
    if (_state & kStateCredentials) CopyCredentialsToRequest();

    if (_inet.HttpSendRequestExA(_request, &buffers, nullptr, 0, 0)) {
        _state |= kStateSent;
        return kHttpOk;
    }
    DWORD error = GetLastError();
    if (!IsSecure() || !IsCertificateError(error) || AnswerCertificateError(error) != kHttpOk)
        return QEL_E_FAIL;
    if (!_inet.HttpSendRequestExA(_request, &buffers, nullptr, 0, 0)) return QEL_E_FAIL;
    _state |= kStateSent;
    return kHttpOk;
}

int32_t QELHttpInetDriver::WriteAll(const char* data, DWORD length) {
    DWORD written = 0;
    if (!_inet.InternetWriteFile(_request, data, length, &written)) return QELHttpLastError();
    return written == length ? kHttpOk : kHttpSendFailed;
}

int32_t QELHttpInetDriver::WriteData(const char* data, int32_t length) {
    if (!_connection || !_request) return kHttpDisconnected;
    if (!(_state & kStateSent) || !data || length < 0) return QEL_E_FAIL;
    bool chunked = (_state & kStateChunked) != 0;
    int32_t result = kHttpOk;
    if (chunked) {
        char size[16];
        snprintf(size, sizeof(size), "%x\r\n", static_cast<unsigned>(length));
        result = WriteAll(size, static_cast<DWORD>(strlen(size)));
    }
    if (result == kHttpOk) result = WriteAll(data, static_cast<DWORD>(length));
    if (result == kHttpOk && chunked) result = WriteAll("\r\n", 2);
    return result;
}

int32_t QELHttpInetDriver::EndRequest() {
    if (!_connection || !_request) return kHttpDisconnected;
    int32_t result = kHttpOk;
    if (_state & kStateChunked) result = WriteAll("0\r\n\r\n", 5);
    if (result == kHttpOk && !_inet.HttpEndRequestW(_request, nullptr, 0, 0))
        result = QELHttpLastError();
    _state = 0;
    return result;
}

int32_t QELHttpInetDriver::RetryAfter(int32_t failure) {
    DWORD error = static_cast<DWORD>(failure) & 0xFFFF;
    if (IsSecure()) return IsCertificateError(error) ? AnswerCertificateError(error) : failure;
    return error == ERROR_INTERNET_FORCE_RETRY ? kHttpOk : failure;
}

int32_t QELHttpInetDriver::SendOnce(const char* body, int32_t length, int withLength) {
    int32_t result = BeginRequest(withLength, length, 0);
    if (result != kHttpOk) return result;
    if (body) {
        result = WriteData(body, length);
        if (result != kHttpOk && !IsSecure()) return result;
    }
    return EndRequest();
}

int32_t QELHttpInetDriver::SendRequest(const char* body, int32_t length, int withLength) {
    int32_t result = QEL_E_FAIL;
    for (int attempt = 0; attempt < kMaxSendAttempts; ++attempt) {
        result = SendOnce(body, length, withLength);
        // A failed send is a failure: it is not reported as success.
        if (result == kHttpOk || RetryAfter(result) != kHttpOk) return result;
    }
    return result;
}

int32_t QELHttpInetDriver::SendRequestFromSource(QELHttpSource* source) {
    if (!source) return kHttpInvalidArg;
    source->SetOwner(this);
    int32_t result = QEL_E_FAIL;
    for (int attempt = 0; attempt < kMaxSendAttempts; ++attempt) {
        if (attempt > 0 && source->Rewind() < 0) return result;
        int32_t length = 0;
        int chunked = 0;
        result = source->GetInfo(&length, &chunked);
        if (result >= 0) result = BeginRequest(1, length, chunked);
        for (int done = 0; result >= 0 && !done;) result = source->SendNext(&done);
        if (result >= 0) result = EndRequest();
        if (result >= 0 || RetryAfter(result) != kHttpOk) return result;
    }
    return result;
}

int32_t QELHttpInetDriver::HandleAuthChallenge(const char*, int32_t, const char*, int32_t) {
    DWORD answer = _inet.InternetErrorDlg(_parent, _request, ERROR_INTERNET_INCORRECT_PASSWORD,
                                          FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                              FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                              FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                          nullptr);
    return answer != 0 ? kHttpOk : QEL_E_FAIL;
}
