// The driver that speaks HTTP/1.x itself over a TCP connection, emulating WinInet's request
// interface: the request head is composed as text and header queries search the response head.
// Abort ends a call within a wait slice, though a name lookup or a blocked send is not cut;
// BytesReceived counts every byte, heads included. No TLS.
#pragma once

#include <cstdint>

#include "http/http_connection.h"
#include "http/http_driver.h"
#include "http/name_cache.h"

class QELHttpSocketDriver : public QELHttpDriver {
  public:
    static const uint16_t kProxyPort = 8080;

    QELHttpSocketDriver(const char* userAgent, uint16_t major, uint16_t minor);
    ~QELHttpSocketDriver() override;

    // Opens a new connection (to the "Proxy" host when set), kHttpNameNotResolved or
    // kHttpCannotConnect; `access` is not used.
    int32_t Connect(const char* host, uint16_t port, int access) override;
    // 0 or -2.
    int32_t ConnectUrl(const char* url) override;
    // Drops the previous response even when the URL fails; "Accept: */*" only with lines added
    // before (never with noAccept, nor for PUT).
    int32_t OpenRequest(const char* verb, const char* url, uint32_t flags, int noAccept) override;
    // Lines added after a request ended go to the ended one. kHttpInvalidArg between
    // BeginRequest and EndRequest; only the coalescing modifiers.
    int32_t AddRequestHeaders(const char* text, uint32_t modifiers) override;
    // The length line only with withLength; an unanswered GET, HEAD, PUT... on a reused
    // connection goes once more on a new one; kHttpSendFailed, kHttpReadShort when no head came.
    int32_t SendRequest(const char* body, int32_t length, int withLength) override;
    int32_t SendRequestFromSource(QELHttpSource* source) override;
    // Without withLength neither a length nor chunking; kHttpDisconnected before OpenRequest; a
    // failed send closes the connection.
    int32_t BeginRequest(int withLength, int32_t length, int chunked) override;
    // kHttpSendFailed when not all went out.
    int32_t WriteData(const char* data, int32_t length) override;
    // Skips one "100 Continue"; kHttpReadShort, with the connection closed, when no whole head
    // came.
    int32_t EndRequest() override;
    // Answers from the head the request model keeps: a custom name is searched as written
    // ("Content-Range" answers ": bytes ..."), no Connection level; kHttpHeaderNotFound when it
    // is not there; no response yet: kHttpInvalidArg.
    int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                      const char* name) override;
    // kHttpOk with nothing written.
    int32_t QueryOption(uint32_t option, void* value, int32_t* size) override;
    // Timeouts reach the open connections at once; no credentials.
    int32_t SetOption(uint32_t option, const void* value, int32_t size) override;
    // A chunked body read whole (without kHttpReadOnePiece) leaves *complete 0, and a further
    // call fails.
    int32_t ReadResponse(uint32_t flags, int32_t* length, char** body, int* complete) override;
    int GetKind() override { return 'D'; }
    // A body cut at the body limit closes the connection, as after a failure. Failure:
    // kHttpReadFailed or kHttpReadNoMemory with *length 0.
    int32_t ReadData(uint32_t flags, int32_t* length, char** body) override;
    // kHttpInvalidArg when it is no http URL, QEL_E_FAIL for https (nothing is sent),
    // kHttpDisconnected when the server cannot be reached; the whole URL as path through a
    // proxy; port and path may be null.
    int32_t CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                     char** extra) override;
    // A 407 with the proxy credentials kept for the process, else those of GetCredentials, then
    // kept; a 401 is never answered with credentials; kHttpInvalidResponse for a challenge it
    // cannot read.
    int32_t HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                int32_t headLength) override;
    // Marks the current connection closed; QEL_E_FAIL without one.
    int32_t Disconnect() override;
    // Composes the request head (without its empty line) into a new heap block.
    int32_t BuildRequest(const char* verb, const char* path, const char* userAgentLine,
                         uint32_t flags, const char* acceptLine, char** buffer, int32_t* length);

    // The proxy host read from "Proxy" at the first construction, or null.
    static const char* ProxyHost();

  private:
    static const uint32_t kStateChunked = 0x1;
    static const uint32_t kStateSent = 0x10;
    // One open connection per server, so that a redirect to another host does not close the
    // connection to the first: at least the link server and the file server.
    static const int kMaxConnections = 4;

    // Makes the connection to host:port current, opening it when there is none or the server
    // closed it.
    int32_t UseConnectionTo(const char* host, uint16_t port);
    // The slot of the connection to host:port, else a free one, else the least recently used.
    int SlotFor(const char* host, uint16_t port) const;
    int32_t SendOnce(const char* body, int32_t length, int withLength);
    // Opens the current connection again, to the same server.
    int32_t Reconnect();
    int32_t SendAll(const char* data, int32_t length);
    void DiscardRequest();
    // Reads the next head off the current connection and hands it to the request model.
    int32_t ReadHead(int32_t* received);

    uint16_t _port = 0;
    uint32_t _options = 0;
    uint32_t _state = 0;
    int32_t _bodyFraming = -2;
    char* _userAgent = nullptr;
    char* _userAgentLine = nullptr;
    char* _request = nullptr;
    int32_t _requestLength = 0;
    char* _pending = nullptr;
    int32_t _pendingLength = 0;
    QELHttpSocketTimeouts _timeouts;
    QELHttpNameCache _names;
    QELHttpSocketConnection* _connections[kMaxConnections] = {};
    uint32_t _lastUse[kMaxConnections] = {};
    uint32_t _uses = 0;
    int _slot = 0;
    // The current connection, _connections[_slot].
    QELHttpSocketConnection* _connection = nullptr;
    // The current connection served an earlier request, and the request may be sent again.
    bool _reused = false;
    bool _idempotent = false;
    // The last send got no byte of an answer: the request is lost, not refused.
    bool _unanswered = false;
};
