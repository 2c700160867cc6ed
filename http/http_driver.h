// The driver base class: the whole request model (Get, GetRange, Post, Put, Head, redirects,
// the authentication retry, cookies; request_model.cpp), written once over the low-level
// operations that each driver implements as WinInet does. What a new transport implements: the
// pure virtual operations below, each as its contract here says; what one driver does beyond
// that is written in its own header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "http/http_source.h"
#include "http/http_types.h"
#include "http/http_watch.h"

class QELHttpClient;

// Redirects are followed at most this many times in a row.
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
    // The Content-Range value as it came and its numbers, -1 for each one it lacks.
    std::string contentRange;
    int64_t rangeFirst = -1;
    int64_t rangeLast = -1;
    int64_t rangeTotal = -1;
    int32_t retryAfterSeconds = -1;  // a Retry-After in seconds; -1 without one
    // The head as it came and each Set-Cookie value in it, so that nothing asks the
    // transport for them again.
    std::string head;
    std::vector<std::string> cookies;
};

// One request at a time: OpenRequest, AddRequestHeaders, SendRequest (or BeginRequest,
// WriteData, EndRequest), then QueryInfo and ReadData on its response; Get and the other
// high-level operations do all of it. Results are kHttpOk or negative. Every block handed out
// is the caller's, to free(); an out pointer is overwritten, never freed. One thread uses a
// driver at a time; only Abort and BytesReceived may come from another.
class QELHttpDriver {
  public:
    QELHttpDriver(uint16_t major, uint16_t minor);
    virtual ~QELHttpDriver();
    QELHttpDriver(const QELHttpDriver&) = delete;
    QELHttpDriver& operator=(const QELHttpDriver&) = delete;

    // Makes host:port the server of the next requests; `access` is WinInet's access type.
    virtual int32_t Connect(const char* host, uint16_t port, int access) = 0;
    // CrackUrl for the connection alone.
    virtual int32_t ConnectUrl(const char* url) = 0;
    // The whole request: *body a heap block of *length bytes (null when none was read),
    // *keepAlive (may be null) whether the server keeps the connection. kHttpOk for a 2xx after
    // the redirects (301 unless kHttpFlagNoRedirect, 302, 303; at most kHttpMaxRedirectDepth)
    // and up to 3 authentication retries (none with kHttpFlagNoAuth); -status for another final
    // status; a driver's error; kHttpCancelled after Abort. On failure the body is null and the
    // length 0. The pair QEL_HTTP_DISCARD_BODY, QEL_HTTP_DISCARD_LENGTH reads no body; one alone
    // is kHttpInvalidArg.
    virtual int32_t Get(const char* url, uint32_t flags, char** body, int32_t* length,
                        int* keepAlive);
    // Get with a Range line: mode 0 countOrTo bytes from `from`, mode 2 bytes from..countOrTo,
    // or the last countOrTo with from 0; another mode or an end past 32 bits: kHttpInvalidArg.
    // A 200 succeeds too. During the call the body limit is the bytes asked plus one (at least
    // 64 KiB): a longer answer is cut there and still succeeds, so compare *length with the count.
    virtual int32_t GetRange(const char* url, uint32_t flags, int mode, int32_t from,
                             int32_t countOrTo, char** body, int32_t* length, int* keepAlive);
    // Post with the body pulled from `source` (borrowed, required), rewound before each send.
    virtual int32_t PostFromSource(const char* url, uint32_t flags, int contentType,
                                   QELHttpSource* source, int* keepAlive, char** body,
                                   int32_t* length);
    // Sends `data` with the content type's line and its length, and answers as Get; a redirect
    // posts it again to the new URL. kHttpContentNone: no type line, and no data (else
    // kHttpInvalidArg).
    virtual int32_t Post(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                         int contentType, int* keepAlive, char** body, int32_t* length);
    // Fills *info (zeroed first) from a HEAD answer, redirects and challenges answered as for
    // Get: kHttpOk for a 200, a file with the Content-Length as size, else a directory; another
    // final status as a positive number. kHttpCancelled after Abort.
    virtual int32_t Head(const char* url, uint32_t flags, QELHttpFileInfo* info);
    // Post that reads no answer body: kHttpOk for a 2xx, -status otherwise.
    virtual int32_t Put(const char* url, uint32_t flags, const char* data, int32_t dataLength,
                        int contentType, int* keepAlive);
    // Unused slots of the interface.
    virtual int32_t Reserved9(void*) { return -1; }
    virtual int32_t Reserved10(void*) { return -1; }

    // Starts a request: CrackUrl (which connects), drops the previous request and response,
    // takes the lines added before. kHttpFlagKeepAlive asks to keep the connection; noAccept
    // sends no "Accept: */*".
    virtual int32_t OpenRequest(const char* verb, const char* url, uint32_t flags,
                                int noAccept) = 0;
    // Merges "Name: value\r\n" lines into the open request by the kHttpAdd modifiers; before
    // OpenRequest they wait for the next one. Null text: kHttpOk.
    virtual int32_t AddRequestHeaders(const char* text, uint32_t modifiers) = 0;
    // Sends the open request with `length` bytes of `body` (may be null) and waits for the
    // response head; may be called again to repeat the request.
    virtual int32_t SendRequest(const char* body, int32_t length, int withLength) = 0;
    // SendRequest with the body of `source` (borrowed): the driver becomes its owner, takes
    // GetInfo's length and chunking, and calls SendNext until done. kHttpInvalidArg without a
    // source.
    virtual int32_t SendRequestFromSource(QELHttpSource* source) = 0;
    // Sends the head of the open request for a body of `length` bytes, or a chunked one; then
    // WriteData and EndRequest.
    virtual int32_t BeginRequest(int withLength, int32_t length, int chunked) = 0;
    // Body bytes after BeginRequest (else QEL_E_FAIL, also for null data or a negative length).
    // A chunked body takes each call as one chunk, so 0 bytes would end it. A failure when not
    // all went out.
    virtual int32_t WriteData(const char* data, int32_t length) = 0;
    // Ends the body (the last chunk) and waits for the response head; kHttpDisconnected before
    // OpenRequest.
    virtual int32_t EndRequest() = 0;
    // A header of the last response by level (kHttpQueryCustom with `name`, else no name; a
    // mismatch is kHttpInvalidArg): a terminated heap block of *length bytes, a 4-byte integer
    // for the length and the status with kHttpQueryNumber. `index` (may be null) picks the
    // occurrence and moves past it.
    virtual int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                              const char* name) = 0;
    // An option's value as the driver keeps it.
    virtual int32_t QueryOption(uint32_t option, void* value, int32_t* size) = 0;
    // A 4-byte timeout (connect, send, receive) or security flags (added to the earlier ones);
    // kHttpInvalidArg for a null value, another size or an unknown option.
    virtual int32_t SetOption(uint32_t option, const void* value, int32_t size) = 0;
    // The whole body of the last response, framed by its Transfer-Encoding or Content-Length
    // (neither: until the end), through ReadData.
    virtual int32_t ReadBody(int32_t* length, char** body);
    // The body in steps: a length-framed body comes whole and sets *complete; a chunked one
    // comes as far as it arrived (kHttpReadOnePiece: one chunk) and is complete at a call that
    // gives no bytes.
    virtual int32_t ReadResponse(uint32_t flags, int32_t* length, char** body, int* complete);
    // 'D' the socket driver, 'W' WinInet.
    virtual int GetKind() = 0;
    // The client that holds this driver; an unused slot of the interface.
    virtual void SetOwner(QELHttpClient*) {}
    // Sees each body the request model reads before the caller gets it (not to keep); notPlain
    // when the Content-Type is not plain text. Nothing by default.
    virtual void OnBody(char* body, int32_t length, int notPlain);
    // Reads a raw head (need not be terminated) into *info: status, framing, keep-alive, the
    // head's text and cookies, and a redirect's Location as a heap string of the caller's. A 401 or
    // 407 goes to HandleAuthChallenge unless the flags forbid it. kHttpBadFraming for a bad status
    // line or length, kHttpInvalidResponse for a 3xx without Location, or the challenge's failure.
    virtual int32_t ParseResponseHead(const char* url, const char* verb, const char* head,
                                      int32_t headLength, uint32_t flags,
                                      QELHttpResponseInfo* info);
    // For a driver that answers challenges itself: kHttpOk with a heap string *credentials for
    // scheme and realm. None by default: -1 (kHttpInvalidArg for a null argument).
    virtual int32_t GetCredentials(const char* url, int32_t status, const char* scheme,
                                   const char* realm, char** credentials);
    // Merges header lines into the heap block *buffer of *length bytes, replaced by a new one:
    // only the coalescing modifiers (else kHttpInvalidOption); kHttpInvalidHeader, with nothing
    // merged, when a line is no header.
    virtual int32_t MergeHeader(const char* line, uint32_t modifiers, int32_t* length,
                                char** buffer);
    // The body of the last response in a new terminated heap block: kHttpReadChunked a chunked
    // one (kHttpReadOnePiece: one piece), else *length bytes, or all until the end for 0;
    // *length gets the bytes read. A body past the body limit is cut there and succeeds.
    // kHttpInvalidArg for null pointers; each driver's failures are its own.
    virtual int32_t ReadData(uint32_t flags, int32_t* length, char** body) = 0;
    // Splits a URL into heap copies of host and path (the query included; *extra null) and its
    // port, and makes that server's connection current, connecting when needed.
    virtual int32_t CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                             char** extra) = 0;
    // Answers a 401 or 407 before the request goes again: kHttpOk to repeat it.
    virtual int32_t HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                        int32_t headLength) = 0;
    // Lets go of the current connection, so that its next use opens a new one.
    virtual int32_t Disconnect() = 0;

    // The operation behind Post, PostFromSource and every followed redirect.
    int32_t SendWithBody(const char* verb, const char* url, uint32_t flags, const char* extra,
                         const char* data, int32_t dataLength, int contentType, int* keepAlive,
                         char** body, int32_t* length, QELHttpSource* source);
    // After a send: parses the head, reads the body (a discarded one only for a challenge),
    // keeps the cookies; the read's result.
    int32_t ExecuteResponse(const char* url, const char* verb, int32_t* status, uint32_t flags,
                            char** location, char** body, int32_t* length, int* keepAlive);
    // The request GetRange (mode 0) makes first, stopped at the redirect it answers: kHttpOk
    // with the redirect's target, or with none when the server answered the range itself (its
    // body read no further than a redirect's would be).
    int32_t ResolveRange(const char* url, uint32_t flags, int32_t from, int32_t count,
                         std::string* target);
    // Whether the last GetRange reached its answer through a redirect.
    bool FollowedRedirect() const { return _followedRedirect; }
    // The most body bytes any later request reads (0: no limit); a range request sets its own
    // for its call.
    void SetBodyLimit(int32_t most) { _bodyLimit = most; }
    // The head of the last answer, as the request model parsed it once (without its Location);
    // all defaults until an answer came.
    const QELHttpResponseInfo& LastResponse() const { return _response; }

    uint16_t MajorVersion() const { return _major; }
    uint16_t MinorVersion() const { return _minor; }

    // Safe from any thread: the request in progress fails soon with its own error, and every
    // later Get, Head, Post... with kHttpCancelled before anything is sent.
    virtual void Abort() { _watch.stop = true; }
    // Safe from any thread: the bytes received so far, to judge the rate by.
    int64_t BytesReceived() const { return _watch.received; }
    // Whether the driver speaks TLS itself; the client moves to one that does for https.
    bool SpeaksTls() const { return _speaksTls; }

  protected:
    bool _speaksTls = false;  // set by a driver that does
    uint16_t _major;
    uint16_t _minor;
    QELHttpWatch _watch;
    // The most body bytes ReadData takes for the current request (0: no limit). A range request
    // reads what it asked for plus one byte, so that a longer answer shows without being
    // buffered whole.
    int32_t _bodyLimit = 0;
    bool _followedRedirect = false;
    QELHttpResponseInfo _response;

    // A driver that reads heads itself hands each one here as it arrives (its status line read,
    // for the driver's own use), and answers its QueryInfo from _response.head; the request
    // model then parses that text instead of asking QueryInfo for a copy.
    void ReceiveHead(const char* head, int32_t length);
    // Forgets the last answer, as a new request begins.
    void DropHead();

  private:
    struct Request;
    // Parses the answer that just came, once, into _response; the Location goes to *location.
    int32_t TakeResponseHead(const char* url, const char* verb, uint32_t flags, char** location);
    bool _headWaiting = false;
    int32_t Run(Request& request);
    int32_t RunRange(Request& request, int mode, int32_t from, int32_t countOrTo);
    int32_t Send(const Request& request);
    int32_t AddCookieLine(const char* url);
};

// The header line of a content type code, or null for code 6.
const char* QELHttpContentTypeLine(int contentType);
