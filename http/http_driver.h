// The driver base class: the whole request model (Get, GetRange, Post, Put, Head, redirects,
// the authentication retry, cookies), written once over the low-level operations that each
// driver implements as WinInet does.
#pragma once

#include <cstdint>
#include <string>

#include "http/http_source.h"
#include "http/http_types.h"
#include "http/http_watch.h"

class QELHttpClient;

// Redirects and Head re-issues are followed at most this many times in a row.
constexpr int kHttpMaxRedirectDepth = 10;

// What ParseResponseHead learns from a response head.
struct QELHttpResponseInfo {
    int32_t minorVersion = 0;
    int32_t status = 0;
    int32_t contentLength = 0;
    int hasContentLength = 0;
    int chunked = 0;
    int keepAlive = 0;
    char* location = nullptr;  // heap string or null
    int hasBody = 1;
    int notPlain = 0;
};

class QELHttpDriver {
  public:
    QELHttpDriver(uint16_t major, uint16_t minor);
    virtual ~QELHttpDriver();
    QELHttpDriver(const QELHttpDriver&) = delete;
    QELHttpDriver& operator=(const QELHttpDriver&) = delete;

    virtual int32_t Connect(const char* host, uint16_t port, int access) = 0;
    virtual int32_t ConnectUrl(const char* url) = 0;
    virtual int32_t Get(const char* url, uint32_t flags, char** body, int32_t* length,
                        int* keepAlive);
    virtual int32_t GetRange(const char* url, uint32_t flags, int mode, int32_t from,
                             int32_t countOrTo, char** body, int32_t* length, int* keepAlive);
    virtual int32_t PostFromSource(const char* url, uint32_t flags, int contentType,
                                   QELHttpSource* source, int* keepAlive, char** body,
                                   int32_t* length);
    virtual int32_t Post(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                         int contentType, int* keepAlive, char** body, int32_t* length);
    virtual int32_t Head(const char* url, uint32_t flags, QELHttpFileInfo* info);
    virtual int32_t Put(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                        int contentType, int* keepAlive);
    virtual int32_t Reserved9(void*) { return -1; }
    virtual int32_t Reserved10(void*) { return -1; }
    virtual int32_t OpenRequest(const char* verb, const char* url, uint32_t flags,
                                int noAccept) = 0;
    virtual int32_t AddRequestHeaders(const char* text, uint32_t modifiers) = 0;
    virtual int32_t SendRequest(const char* body, int32_t length, int withLength) = 0;
    virtual int32_t SendRequestFromSource(QELHttpSource* source) = 0;
    virtual int32_t BeginRequest(int withLength, int32_t length, int chunked) = 0;
    virtual int32_t WriteData(const char* data, int32_t length) = 0;
    virtual int32_t EndRequest() = 0;
    // The value is a heap block (free()); a 4-byte integer with the number modifier.
    virtual int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                              const char* name) = 0;
    virtual int32_t QueryOption(uint32_t option, void* value, int32_t* size) = 0;
    virtual int32_t SetOption(uint32_t option, const void* value, int32_t size) = 0;
    virtual int32_t ReadBody(int32_t* length, char** body);
    virtual int32_t ReadResponse(uint32_t flags, int32_t* length, char** body, int* complete);
    virtual int GetKind() = 0;
    virtual void SetOwner(QELHttpClient* owner) { _owner = owner; }
    virtual void OnBody(char* body, int32_t length, int notPlain);
    virtual int32_t ParseResponseHead(const char* url, const char* verb, const char* head,
                                      int32_t headLength, uint32_t flags,
                                      QELHttpResponseInfo* info);
    virtual int32_t GetCredentials(const char* url, int32_t status, const char* scheme,
                                   const char* realm, char** credentials);
    virtual int32_t MergeHeader(const char* line, uint32_t modifiers, int32_t* length,
                                char** buffer);
    virtual int32_t ReadData(uint32_t flags, int32_t* length, char** body) = 0;
    virtual int32_t CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                             char** extra) = 0;
    virtual int32_t HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                        int32_t headLength) = 0;
    virtual int32_t Disconnect() = 0;

    // The operation behind Post, PostFromSource and every followed redirect.
    int32_t SendWithBody(const char* verb, const char* url, uint32_t flags, const char* extra,
                         const char* data, int32_t dataLength, int contentType, int* keepAlive,
                         char** body, int32_t* length, QELHttpSource* source);
    int32_t ExecuteResponse(const char* url, const char* verb, int32_t* status, uint32_t flags,
                            char** location, char** body, int32_t* length, int* keepAlive);
    // The request GetRange (mode 0) makes first, stopped at the redirect it answers: kHttpOk
    // with the redirect's target, or with none when the server answered the range itself (its
    // body read no further than a redirect's would be).
    int32_t ResolveRange(const char* url, uint32_t flags, int32_t from, int32_t count,
                         std::string* target);
    // Whether the last GetRange reached its answer through a redirect.
    bool FollowedRedirect() const { return _followedRedirect; }

    uint16_t MajorVersion() const { return _major; }
    uint16_t MinorVersion() const { return _minor; }

    // Safe from any thread: ends the request in progress within a wait slice, and every later
    // one, with kHttpCancelled.
    virtual void Abort() { _watch.stop = true; }
    // Safe from any thread: the bytes this driver has received so far.
    int64_t BytesReceived() const { return _watch.received; }

  protected:
    QELHttpClient* _owner = nullptr;
    uint16_t _major;
    uint16_t _minor;
    QELHttpWatch _watch;
    // The most body bytes ReadData takes for the current request (0: no limit). A range request
    // reads what it asked for plus one byte, so that a longer answer shows without being
    // buffered whole.
    int32_t _bodyLimit = 0;
    bool _followedRedirect = false;

  private:
    struct Request;
    int32_t Run(Request& request);
    int32_t RunRange(Request& request, int mode, int32_t from, int32_t countOrTo);
    int32_t Send(const Request& request);
    int32_t AddCookieLine(const char* url);
};

// The header line of a content type code, or null for code 6.
const char* QELHttpContentTypeLine(int contentType);
