// The driver over the operating system's internet library (WinInet): the default driver on
// Windows, and the one every secure URL goes through.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <mutex>

#include "http/http_driver.h"
#include "http/inet_functions_win.h"

class QELHttpInetDriver : public QELHttpDriver {
  public:
    QELHttpInetDriver(const char* userAgent, uint16_t major, uint16_t minor);
    ~QELHttpInetDriver() override;

    // Only prepares its handles: a refused server shows at the send; the same server again
    // costs nothing.
    int32_t Connect(const char* host, uint16_t port, int access) override;
    // CrackUrl's result.
    int32_t ConnectUrl(const char* url) override;
    // A failing URL leaves the previous request; "Accept: */*" unless noAccept; the other flags
    // are WinInet's.
    int32_t OpenRequest(const char* verb, const char* url, uint32_t flags, int noAccept) override;
    // Lines added after a request ended are kept for the next request.
    int32_t AddRequestHeaders(const char* text, uint32_t modifiers) override;
    // The length whatever withLength says; up to 3 attempts after a forced retry or an answered
    // certificate error.
    int32_t SendRequest(const char* body, int32_t length, int withLength) override;
    // The source is rewound before each further attempt.
    int32_t SendRequestFromSource(QELHttpSource* source) override;
    // Ignores withLength; QEL_E_FAIL when the send fails.
    int32_t BeginRequest(int withLength, int32_t length, int chunked) override;
    // WinInet's error when not all went out.
    int32_t WriteData(const char* data, int32_t length) override;
    // HttpEndRequest's error.
    int32_t EndRequest() override;
    // WinInet's own answer: kHttpSendFailed when the header is not there; no response yet:
    // kHttpDisconnected.
    int32_t QueryInfo(char** value, int32_t* length, int32_t* index, uint32_t level,
                      const char* name) override;
    // A timeout or the parent window in 4 bytes (null value: the size only), else
    // kHttpInvalidArg.
    int32_t QueryOption(uint32_t option, void* value, int32_t* size) override;
    // Timeouts reach only the connections opened later (a server's is kept); also the parent
    // window and the (proxy) user name and password, kHttpIncorrectHandleState before the
    // first Connect.
    int32_t SetOption(uint32_t option, const void* value, int32_t size) override;
    // A complete one-piece read of a "Connection: Close" answer ends the request, so QueryInfo
    // fails afterwards.
    int32_t ReadResponse(uint32_t flags, int32_t* length, char** body, int* complete) override;
    int GetKind() override { return 'W'; }
    // Failure: kHttpReadShort (for a length-framed body with the bytes that came) or
    // kHttpNoAvailable.
    int32_t ReadData(uint32_t flags, int32_t* length, char** body) override;
    // The URL is canonicalized first.
    int32_t CrackUrl(const char* url, char** host, uint16_t* port, char** path,
                     char** extra) override;
    // WinInet's password dialog; QEL_E_FAIL only when it returns 0.
    int32_t HandleAuthChallenge(const char* url, int32_t status, const char* head,
                                int32_t headLength) override;
    // Nothing: WinInet keeps its connections itself.
    int32_t Disconnect() override { return kHttpOk; }
    // Closing its handles is WinInet's own way to end a call that waits on them. BytesReceived
    // counts body bytes.
    void Abort() override;

  private:
    static const uint32_t kStateChunked = 0x1;
    static const uint32_t kStateSent = 0x10;
    static const uint32_t kStateOpened = 0x40;
    static const uint32_t kStateCredentials = 0x10000000;

    bool IsSecure() const { return _scheme == INTERNET_SCHEME_HTTPS; }
    // The answer to a certificate error on a secure request: 0 to send again, else E_FAIL.
    int32_t AnswerCertificateError(DWORD error);
    // After a failed send: kHttpOk to send once more, otherwise the result to give up with.
    int32_t RetryAfter(int32_t failure);
    int32_t SendOnce(const char* body, int32_t length, int withLength);
    void CopyCredentialsToRequest();
    int32_t WriteAll(const char* data, DWORD length);
    // Handles are set and closed under _handleLock, since Abort closes them from another
    // thread; after Abort a new handle is closed at once.
    void Keep(HINTERNET& slot, HINTERNET handle);
    void Drop(HINTERNET& slot);
    int32_t ReadAvailable(char** body, int32_t* length, bool onePiece);
    int32_t ReadExpected(int32_t* length, char** body);

    uint16_t _port = 0;
    int _scheme = INTERNET_SCHEME_HTTP;
    char* _userAgent = nullptr;
    char* _host = nullptr;
    HINTERNET _internet = nullptr;
    HINTERNET _connection = nullptr;
    HINTERNET _request = nullptr;
    uint32_t _securityFlags = 0;
    uint32_t _state = 0;
    int32_t _bodyLengthMode = -2;
    char* _pending = nullptr;
    int32_t _pendingLength = 0;
    DWORD _receiveTimeout = 36000000;
    DWORD _sendTimeout = 36000000;
    DWORD _connectTimeout = 10000;
    HWND _parent = nullptr;
    std::mutex _handleLock;
    const QELHttpInetFunctions& _inet = QELHttpWinInet();
};

// A failed platform call as a result: its last error as 0x8007xxxx (never 0).
int32_t QELHttpLastError();
