// The driver that speaks HTTP/1.x itself over a TCP connection, emulating WinInet's request
// interface: the request head is composed as text and header queries search the response head.
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

    int32_t Connect(const char* host, uint16_t port, int access) override;
    int32_t ConnectUrl(const char* url) override;
    int32_t OpenRequest(const char* verb, const char* url, uint32_t flags, int noAccept) override;
    int32_t AddRequestHeaders(const char* text, uint32_t modifiers) override;
    int32_t SendRequest(const char* body, int32_t length, int withLength) override;
    int32_t SendRequestFromSource(QELHttpSource* source) override;
    int32_t BeginRequest(int withLength, int32_t length, int chunked) override;
    int32_t WriteData(const char* data, int32_t length) override;
    int32_t EndRequest() override;
    int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                      const char* name) override;
    int32_t QueryOption(uint32_t option, void* value, int32_t* size) override;
    int32_t SetOption(uint32_t option, const void* value, int32_t size) override;
    int32_t ReadResponse(uint32_t flags, int32_t* length, char** body, int* complete) override;
    int GetKind() override { return 'D'; }
    int32_t ReadData(uint32_t flags, int32_t* length, char** body) override;
    int32_t CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                     char** extra) override;
    int32_t HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                int32_t headLength) override;
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
