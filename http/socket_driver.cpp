#include "http/socket_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "http/header_text.h"
#include "http/net_socket.h"
#include "http/text_buffer.h"
#include "http/url.h"

namespace {

const char kDefaultUserAgent[] = "ORVANT HTTP CLIENT/v2.0-KV\r\n";

// Process-wide: the proxy from "Proxy" and the credentials of the last answered proxy
// challenge. The cache is guarded, since any driver's destruction empties it.
struct ProxyState {
    char* host = nullptr;
    std::mutex lock;
    char* scheme = nullptr;
    char* realm = nullptr;
    char* credentials = nullptr;
};

ProxyState& Proxy() {
    static ProxyState* state = [] {
        ProxyState* created = new ProxyState;
        const char* proxy = getenv("Proxy");
        if (proxy) created->host = QELHttpCopyText(proxy);
        qelnet::Startup();
        return created;
    }();
    return *state;
}

void EmptyProxyCache() {
    ProxyState& proxy = Proxy();
    std::lock_guard<std::mutex> hold(proxy.lock);
    free(proxy.scheme);
    free(proxy.realm);
    free(proxy.credentials);
    proxy.scheme = proxy.realm = proxy.credentials = nullptr;
}

// The "Proxy-authorization: " line of the cached credentials, or null.
char* ProxyAuthorizationLine() {
    ProxyState& proxy = Proxy();
    std::lock_guard<std::mutex> hold(proxy.lock);
    if (!proxy.scheme || !proxy.credentials) return nullptr;
    QELHttpTextBuffer line;
    bool ok = line.Append("Proxy-authorization: ") && line.Append(" ") &&
              line.Append(proxy.scheme) && line.Append(" ") && line.Append(proxy.credentials) &&
              line.Append("\r\n");
    return ok ? line.Release() : nullptr;
}

bool ProxyCredentialsCached() {
    ProxyState& proxy = Proxy();
    std::lock_guard<std::mutex> hold(proxy.lock);
    return proxy.scheme && proxy.credentials;
}

bool ConnectsTo(const QELHttpSocketConnection* connection, const char* host, uint16_t port) {
    return connection && connection->HostName() && strcmp(connection->HostName(), host) == 0 &&
           connection->Port() == port;
}

// Verbs whose request may be sent a second time without changing what it does.
bool IsIdempotent(const char* verb) {
    for (const char* known : {"GET", "HEAD", "PUT", "DELETE", "OPTIONS", "TRACE"})
        if (strcmp(verb, known) == 0) return true;
    return false;
}

}  // namespace

const char* QELHttpSocketDriver::ProxyHost() { return Proxy().host; }

QELHttpSocketDriver::QELHttpSocketDriver(const char* userAgent, uint16_t major, uint16_t minor)
    : QELHttpDriver(major, minor), _names(&qelnet::Resolve) {
    Proxy();
    _userAgent = QELHttpCopyText(userAgent ? userAgent : kDefaultUserAgent);
    if (_userAgent) {
        size_t size = strlen(_userAgent) + 120;
        _userAgentLine = static_cast<char*>(malloc(size));
        if (_userAgentLine) snprintf(_userAgentLine, size, "User-Agent: %s", _userAgent);
    }
}

QELHttpSocketDriver::~QELHttpSocketDriver() {
    free(_request);
    free(_userAgentLine);
    free(_userAgent);
    free(_pending);
    EmptyProxyCache();
    for (QELHttpSocketConnection* connection : _connections) delete connection;
}

// Opens the current connection (the one CrackUrl chose) to host:port, or through the proxy.
int32_t QELHttpSocketDriver::Connect(const char* host, uint16_t port, int) {
    if (!_connection) {
        _connection = new (std::nothrow) QELHttpSocketConnection;
        if (!_connection) return kHttpOutOfMemory;
        _connections[_slot] = _connection;
    }
    if (!host) return -1;
    const char* peer = ProxyHost() ? ProxyHost() : host;
    uint32_t address = 0;
    if (!_names.Resolve(peer, &address)) return kHttpNameNotResolved;
    int32_t result =
        _connection->Connect(host, port, address, ProxyHost() ? kProxyPort : port, _timeouts,
                             &_watch);
    if (result == kHttpCannotConnect) _names.Forget(peer);
    if (result == kHttpOk) _port = port;
    return result;
}

int QELHttpSocketDriver::SlotFor(const char* host, uint16_t port) const {
    for (int slot = 0; slot < kMaxConnections; ++slot)
        if (ConnectsTo(_connections[slot], host, port)) return slot;
    int oldest = 0;
    for (int slot = 0; slot < kMaxConnections; ++slot) {
        if (!_connections[slot] || !_connections[slot]->HostName()) return slot;
        if (_lastUse[slot] < _lastUse[oldest]) oldest = slot;
    }
    return oldest;
}

int32_t QELHttpSocketDriver::UseConnectionTo(const char* host, uint16_t port) {
    _slot = SlotFor(host, port);
    _connection = _connections[_slot];
    _lastUse[_slot] = ++_uses;
    // Only an idle connection is reused: readable means the server closed it.
    _reused = ConnectsTo(_connection, host, port) &&
              !(_connection->Flags() & QELHttpConnection::kClosed) &&
              _connection->WaitReadable(0) == kHttpTimeout;
    if (!_reused && Connect(host, port, 0) != kHttpOk) return kHttpDisconnected;
    if (!_connection) return kHttpDisconnected;
    _connection->SetFlags(QELHttpConnection::kConnected);
    return kHttpOk;
}

int32_t QELHttpSocketDriver::Reconnect() {
    char* host = QELHttpCopyText(_connection->HostName() ? _connection->HostName() : "");
    if (!host) return kHttpOutOfMemory;
    const uint16_t port = _connection->Port();
    int32_t result = Connect(host, port, 0);
    free(host);
    _reused = false;
    return result == kHttpOk ? kHttpOk : kHttpDisconnected;
}

int32_t QELHttpSocketDriver::ConnectUrl(const char* url) {
    if (!url) return -1;
    char* host = nullptr;
    char* path = nullptr;
    char* extra = nullptr;
    uint16_t port = 80;
    int32_t result = CrackUrl(url, &host, &port, &path, &extra);
    free(host);
    free(path);
    free(extra);
    return result == kHttpOk ? 0 : -2;
}

int32_t QELHttpSocketDriver::CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                                      char** extra) {
    if (!url || strncmp(url, "http", 4) != 0 || !host) return kHttpInvalidArg;
    QELHttpRequestTarget request;
    int32_t result = SplitRequestTarget(url, ProxyHost() != nullptr, &request);
    if (result != kHttpOk) return result;
    // This driver has no secure transport: a secure URL, given or redirected to, is refused
    // before a byte (or a cookie) goes out in plain text.
    if (request.secure) return QEL_E_FAIL;

    if (port) *port = request.port;
    _port = request.port;
    result = UseConnectionTo(request.host, request.port);
    if (result != kHttpOk) return result;

    if (path) *path = request.TakeTarget();
    if (extra) *extra = nullptr;
    *host = request.TakeHost();
    return kHttpOk;
}

void QELHttpSocketDriver::DiscardRequest() {
    DropHead();
    free(_request);
    _request = nullptr;
    _requestLength = 0;
    _state = 0;
    _bodyFraming = -2;
}

int32_t QELHttpSocketDriver::OpenRequest(const char* verb, const char* url, uint32_t flags,
                                         int noAccept) {
    if (!verb) return kHttpInvalidArg;
    DiscardRequest();
    const char* accept = (strcmp(verb, "PUT") == 0 || noAccept) ? nullptr : "Accept: */*\r\n";
    char* host = nullptr;
    char* path = nullptr;
    uint16_t port = 80;
    int32_t result = CrackUrl(url, &host, &port, &path, nullptr);
    if (result != kHttpOk) return result;
    _idempotent = IsIdempotent(verb);
    if (!_connection) {
        result = QEL_E_FAIL;
    } else if (!(_connection->Flags() & QELHttpConnection::kConnected)) {
        result = kHttpDisconnected;
    } else {
        result =
            BuildRequest(verb, path, _userAgentLine, flags, accept, &_request, &_requestLength);
    }
    free(host);
    free(path);
    return result;
}

int32_t QELHttpSocketDriver::BuildRequest(const char* verb, const char* path,
                                          const char* userAgentLine, uint32_t flags,
                                          const char* acceptLine, char** buffer, int32_t* length) {
    if (!path || !userAgentLine || !buffer || !length) return kHttpInvalidArg;
    if (!_connection) return QEL_E_FAIL;
    // Composed without a fixed limit, so a long path cannot overrun anything.
    char numbers[64];
    snprintf(numbers, sizeof(numbers), " HTTP/%d.%d\r\nHost: ", _major, _minor);
    char port[16];
    snprintf(port, sizeof(port), ":%d\r\n", _port);
    const char* host = _connection->HostName() ? _connection->HostName() : "";
    QELHttpTextBuffer head;
    bool ok = head.Append(verb) && head.Append(" ") && head.Append(path) && head.Append(numbers) &&
              head.Append(host) && head.Append(port) && head.Append(userAgentLine);
    if (ok && (flags & kHttpFlagKeepAlive))
        ok = head.Append(ProxyHost() ? "Proxy-Connection: Keep-Alive\r\n"
                                     : "Connection: Keep-Alive\r\n");
    if (!ok) return kHttpOutOfMemory;
    if (_pendingLength > 0 && acceptLine) {
        int32_t merged = MergeHeader(acceptLine, kHttpAddCoalesceComma, &_pendingLength, &_pending);
        if (merged != kHttpOk) return merged;
    }
    if (_pending && !head.Append(_pending, _pendingLength)) return kHttpOutOfMemory;
    free(_pending);
    _pending = nullptr;
    _pendingLength = 0;
    *length = static_cast<int32_t>(head.Length());
    free(*buffer);
    *buffer = head.Release();
    return *buffer ? kHttpOk : kHttpOutOfMemory;
}

int32_t QELHttpSocketDriver::AddRequestHeaders(const char* text, uint32_t modifiers) {
    if (!text) return kHttpOk;
    if (_state & kStateSent) return kHttpInvalidArg;
    if (_request) return MergeHeader(text, modifiers, &_requestLength, &_request);
    return MergeHeader(text, modifiers, &_pendingLength, &_pending);
}

int32_t QELHttpSocketDriver::SendOnce(const char* body, int32_t length, int withLength) {
    _unanswered = false;
    int32_t result = BeginRequest(withLength, length, 0);
    if (result >= 0 && body) result = WriteData(body, length);
    if (result >= 0) result = EndRequest();
    return result;
}

int32_t QELHttpSocketDriver::SendRequest(const char* body, int32_t length, int withLength) {
    const bool mayResend = _reused && _idempotent;
    int32_t result = SendOnce(body, length, withLength);
    // A kept-alive connection that the server closed while it was idle loses the request
    // without a byte of answer. Such a request goes once more on a fresh connection; never
    // after a byte of the response arrived, and never a request that must not be repeated.
    if (result < 0 && mayResend && _unanswered) {
        result = Reconnect();
        if (result == kHttpOk) result = SendOnce(body, length, withLength);
    }
    return result;
}

int32_t QELHttpSocketDriver::SendRequestFromSource(QELHttpSource* source) {
    if (!source) return kHttpInvalidArg;
    source->SetOwner(this);
    int32_t length = 0;
    int chunked = 0;
    int32_t result = source->GetInfo(&length, &chunked);
    if (result >= 0) result = BeginRequest(1, length, chunked);
    for (int done = 0; result >= 0 && !done;) result = source->SendNext(&done);
    if (result >= 0) result = EndRequest();
    return result;
}

int32_t QELHttpSocketDriver::SendAll(const char* data, int32_t length) {
    return _connection->Send(data, length) < length ? kHttpSendFailed : kHttpOk;
}

int32_t QELHttpSocketDriver::BeginRequest(int withLength, int32_t length, int chunked) {
    if (!_connection) return QEL_E_FAIL;
    if (!(_connection->Flags() & QELHttpConnection::kConnected) || !_request)
        return kHttpDisconnected;
    char line[64];
    line[0] = 0;
    if (withLength && chunked) {
        snprintf(line, sizeof(line), "Transfer-Encoding: chunked\r\n");
        _state |= kStateChunked;
    } else if (withLength) {
        snprintf(line, sizeof(line), "Content-Length: %d\r\n", length);
    }
    // A head sent again (authentication retry) already carries these lines.
    int32_t result = kHttpOk;
    if (*line && !strstr(_request, line)) result = AddRequestHeaders(line, kHttpAddCoalesceComma);
    if (result < 0) return result;
    if (ProxyHost()) {
        char* auth = ProxyAuthorizationLine();
        if (auth && !strstr(_request, auth))
            result = AddRequestHeaders(auth, kHttpAddCoalesceComma);
        free(auth);
        if (result < 0) return result;
    }
    QELHttpTextBuffer head;
    if (!head.Append(_request, _requestLength) || !head.Append("\r\n")) return kHttpOutOfMemory;
    result = SendAll(head.Data(), static_cast<int32_t>(head.Length()));
    if (result < 0) {
        _unanswered = true;
        Disconnect();
        return result;
    }
    _state |= kStateSent;
    return kHttpOk;
}

int32_t QELHttpSocketDriver::WriteData(const char* data, int32_t length) {
    if (!_connection) return QEL_E_FAIL;
    if (!(_connection->Flags() & QELHttpConnection::kConnected) || !_request)
        return kHttpDisconnected;
    if (!(_state & kStateSent) || !data || length < 0) return QEL_E_FAIL;
    if (_state & kStateChunked) {
        char size[16];
        snprintf(size, sizeof(size), "%x\r\n", static_cast<unsigned>(length));
        _connection->Send(size, static_cast<int32_t>(strlen(size)));
    }
    int32_t result = SendAll(data, length);
    if (result < 0) return result;
    if (_state & kStateChunked) _connection->Send("\r\n", 2);
    return kHttpOk;
}

int32_t QELHttpSocketDriver::EndRequest() {
    if (!_connection) return QEL_E_FAIL;
    if (!(_connection->Flags() & QELHttpConnection::kConnected) || !_request)
        return kHttpDisconnected;
    if (_state & kStateChunked) _connection->Send("0\r\n\r\n", 5);
    _state = 0;
    DropHead();
    int32_t received = 0;
    int32_t result = ReadHead(&received);
    if (result == kHttpOk && _response.status == 100) result = ReadHead(nullptr);
    if (result != kHttpOk) {
        _unanswered = received == 0;
        // Whatever may still come belongs to no request of ours.
        Disconnect();
    }
    return result;
}

int32_t QELHttpSocketDriver::ReadHead(int32_t* received) {
    char* head = nullptr;
    int32_t length = 0;
    if (_connection->ReadHead(&head, &length, received) != kHttpOk) return kHttpReadShort;
    ReceiveHead(head, length);
    free(head);
    return kHttpOk;
}

int32_t QELHttpSocketDriver::QueryInfo(char** value, int32_t* length, int32_t* index,
                                       uint32_t level, const char* name) {
    if (_response.head.empty() || !value || !length) return kHttpInvalidArg;
    *value = nullptr;
    *length = 0;
    QELHttpHeadAnswer answer;
    int32_t result =
        QELHttpQueryHead(_response.head.data(), _response.head.size(), level, name, index, &answer);
    if (result != kHttpOk) return result;
    uint32_t bare = level & kHttpQueryLevelMask;
    if (bare == kHttpQueryContentLength && answer.isNumber) _bodyFraming = answer.number;
    if (bare == kHttpQueryTransferEncoding && strstr(answer.value, "chunked")) _bodyFraming = -1;
    *value = answer.value;
    *length = answer.length;
    return kHttpOk;
}

int32_t QELHttpSocketDriver::QueryOption(uint32_t, void*, int32_t*) { return kHttpOk; }

int32_t QELHttpSocketDriver::SetOption(uint32_t option, const void* value, int32_t size) {
    if (size != 4 || !value) return kHttpInvalidArg;
    uint32_t number = 0;
    memcpy(&number, value, sizeof(number));
    switch (option) {
        case kHttpOptionSecurityFlags:
            _options |= number;
            return kHttpOk;
        case kHttpOptionConnectTimeout:
            _timeouts.connectMs = number;
            return kHttpOk;
        case kHttpOptionSendTimeout:
        case kHttpOptionReceiveTimeout:
            (option == kHttpOptionSendTimeout ? _timeouts.sendMs : _timeouts.receiveMs) = number;
            // Also for the connections already open, so that the next wait obeys it.
            for (QELHttpSocketConnection* connection : _connections)
                if (connection) connection->SetTimeouts(_timeouts);
            return kHttpOk;
        default:
            return kHttpInvalidArg;
    }
}

int32_t QELHttpSocketDriver::ReadResponse(uint32_t flags, int32_t* length, char** body,
                                          int* complete) {
    if (!length || !body || !complete) return kHttpInvalidArg;
    *length = 0;
    *complete = 0;
    if (_bodyFraming == -2) {
        char* value = nullptr;
        int32_t valueLength = 0;
        if (QueryInfo(&value, &valueLength, nullptr, kHttpQueryTransferEncoding, nullptr) >= 0)
            free(value);
        if (_bodyFraming == -2 &&
            QueryInfo(&value, &valueLength, nullptr, kHttpQueryContentLength | kHttpQueryNumber,
                      nullptr) >= 0)
            free(value);
        if (_bodyFraming == -2) _bodyFraming = 0;
    }
    int32_t result;
    if (_bodyFraming == -1) {
        result = ReadData(flags | kHttpReadChunked, length, body);
        *complete = result >= 0 && *length == 0;
    } else {
        *length = _bodyFraming;
        result = ReadData(0, length, body);
        *complete = result >= 0;
    }
    return result;
}

int32_t QELHttpSocketDriver::ReadData(uint32_t flags, int32_t* length, char** body) {
    if (!length || !body) return kHttpInvalidArg;
    if (!_connection) return QEL_E_FAIL;
    if (!(_connection->Flags() & QELHttpConnection::kConnected)) return kHttpDisconnected;
    int32_t result = _connection->ReadBody(flags, length, body, _bodyLimit);
    // The rest of a body that failed or was cut must not be read as the next response.
    if (result < 0 || (_bodyLimit > 0 && *length >= _bodyLimit)) Disconnect();
    return result;
}

int32_t QELHttpSocketDriver::HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                                 int32_t headLength) {
    if (!head) return -1;
    const char* name;
    if (status == 407) {
        if (ProxyCredentialsCached()) return kHttpOk;
        name = "Proxy-Authenticate: ";
    } else if (status == 401) {
        name = "WWW-Authenticate: ";
    } else {
        return -1;
    }
    const char* found = QELHttpFind(head, headLength, name);
    if (!found) return kHttpInvalidResponse;
    const char* end = head + headLength;
    const char* word = found + strlen(name);
    const char* wordEnd = word;
    while (wordEnd < end && *wordEnd != ' ' && *wordEnd != '\r' && *wordEnd != '\n') ++wordEnd;
    // The scheme word is read into a 128-character field and must be followed by " realm=".
    const size_t kSchemeField = 127;
    size_t wordLength = wordEnd - word;
    if (wordLength == 0 || wordLength > kSchemeField || end - wordEnd < 7 ||
        memcmp(wordEnd, " realm=", 7) != 0)
        return kHttpInvalidResponse;
    const char* realm = wordEnd + 7;
    const char* realmEnd = QELHttpFind(realm, end - realm, "\r\n");
    if (!realmEnd) return kHttpInvalidResponse;

    char* scheme = QELHttpCopyText(word, wordLength);
    char* realmValue = QELHttpCopyText(realm, realmEnd - realm);
    char* credentials = nullptr;
    int32_t result = scheme && realmValue
                         ? GetCredentials(url, status, scheme, realmValue, &credentials)
                         : kHttpOutOfMemory;
    if (result == kHttpOk && status == 407) {
        ProxyState& proxy = Proxy();
        std::lock_guard<std::mutex> hold(proxy.lock);
        free(proxy.scheme);
        free(proxy.realm);
        free(proxy.credentials);
        proxy.scheme = scheme;
        proxy.realm = realmValue;
        proxy.credentials = credentials;
        return kHttpOk;
    }
    free(scheme);
    free(realmValue);
    free(credentials);
    return result;
}

int32_t QELHttpSocketDriver::Disconnect() {
    if (!_connection) return QEL_E_FAIL;
    _connection->SetFlags(_connection->Flags() | QELHttpConnection::kClosed);
    return kHttpOk;
}
