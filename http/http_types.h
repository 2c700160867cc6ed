// Result codes, flag words and records shared by the HTTP client and its drivers.
// The numbers are those of the WinInet interface, so both drivers answer alike.
#pragma once

#include <cstdint>

#include "threads/qel_result.h"

// Results: 0 success, negative failure; E_FAIL is QEL_E_FAIL.
constexpr int32_t kHttpOk = 0;
constexpr int32_t kHttpInvalidArg = static_cast<int32_t>(0x80070057);
constexpr int32_t kHttpOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kHttpNotImplemented = static_cast<int32_t>(0x80004001);
constexpr int32_t kHttpBufferTooSmall = static_cast<int32_t>(0x8007007A);
constexpr int32_t kHttpNoMoreItems = static_cast<int32_t>(0x80070103);
constexpr int32_t kHttpTimeout = static_cast<int32_t>(0x8007041D);
constexpr int32_t kHttpDisconnected = static_cast<int32_t>(0x80072F83);
constexpr int32_t kHttpInvalidResponse = static_cast<int32_t>(0x80072F78);
constexpr int32_t kHttpHeaderNotFound = static_cast<int32_t>(0x80072F76);
constexpr int32_t kHttpInvalidHeader = static_cast<int32_t>(0x80072F79);
constexpr int32_t kHttpInvalidOption = static_cast<int32_t>(0x80072EE9);
constexpr int32_t kHttpInvalidUrl = static_cast<int32_t>(0x80072EE5);
constexpr int32_t kHttpNameNotResolved = static_cast<int32_t>(0x80072EE7);
constexpr int32_t kHttpCannotConnect = static_cast<int32_t>(0x80072EFD);
constexpr int32_t kHttpSendFailed = static_cast<int32_t>(0x80072EE4);
constexpr int32_t kHttpIncorrectHandleState = static_cast<int32_t>(0x80072EF2);
constexpr int32_t kHttpCancelled = static_cast<int32_t>(0x80072EF1);

// Body reader results of the socket connection.
constexpr int32_t kHttpReadShort = -4;
constexpr int32_t kHttpBadFraming = -7;
constexpr int32_t kHttpNoAvailable = -8;
constexpr int32_t kHttpReadNoMemory = -9;
constexpr int32_t kHttpReadFailed = -12;

// Request flags of the high-level operations.
constexpr uint32_t kHttpFlagKeepAlive = 0x400000;
constexpr uint32_t kHttpFlagNoRedirect = 0x200000;
constexpr uint32_t kHttpFlagNoAuth = 0x40000;
constexpr uint32_t kHttpFlagNoProxyAuth = 0x20000000;
constexpr uint32_t kHttpFlagNoServerAuth = 0x10000000;
constexpr uint32_t kHttpFlagDiscard = 0x10000;

// Flags of ReadData and ReadResponse.
constexpr uint32_t kHttpReadChunked = 0x1;
constexpr uint32_t kHttpReadOnePiece = 0x1000;

// Header query levels and the number modifier.
constexpr uint32_t kHttpQueryContentType = 1;
constexpr uint32_t kHttpQueryContentLength = 5;
constexpr uint32_t kHttpQueryDate = 9;
constexpr uint32_t kHttpQueryLastModified = 11;
constexpr uint32_t kHttpQueryStatusCode = 19;
constexpr uint32_t kHttpQueryRawHead = 22;
constexpr uint32_t kHttpQueryConnection = 23;
constexpr uint32_t kHttpQueryLocation = 33;
constexpr uint32_t kHttpQueryServer = 37;
constexpr uint32_t kHttpQueryWwwAuthenticate = 40;
constexpr uint32_t kHttpQueryProxyAuthenticate = 41;
constexpr uint32_t kHttpQueryAcceptRanges = 42;
constexpr uint32_t kHttpQuerySetCookie = 43;
constexpr uint32_t kHttpQueryETag = 54;
constexpr uint32_t kHttpQueryTransferEncoding = 63;
constexpr uint32_t kHttpQueryCustom = 0xFFFF;
constexpr uint32_t kHttpQueryNumber = 0x20000000;
constexpr uint32_t kHttpQueryLevelMask = 0x0FFFFFFF;

// Header modifiers.
constexpr uint32_t kHttpAddCoalesceComma = 0x40000000;
constexpr uint32_t kHttpAddCoalesceSemicolon = 0x01000000;
constexpr uint32_t kHttpAddAdd = 0x20000000;
constexpr uint32_t kHttpAddReplace = 0x80000000;

// Content type codes of Post, Put and SendWithBody.
constexpr int kHttpContentForm = 0;
constexpr int kHttpContentHtml = 1;
constexpr int kHttpContentPlain = 2;
constexpr int kHttpContentXml = 3;
constexpr int kHttpContentXmlUtf8 = 4;
constexpr int kHttpContentOctets = 5;
constexpr int kHttpContentNone = 6;

// Options.
constexpr uint32_t kHttpOptionConnectTimeout = 2;
constexpr uint32_t kHttpOptionSendTimeout = 5;
constexpr uint32_t kHttpOptionReceiveTimeout = 6;
constexpr uint32_t kHttpOptionUserName = 28;
constexpr uint32_t kHttpOptionPassword = 29;
constexpr uint32_t kHttpOptionSecurityFlags = 31;
constexpr uint32_t kHttpOptionProxyUserName = 43;
constexpr uint32_t kHttpOptionProxyPassword = 44;
constexpr uint32_t kHttpOptionParentWindow = 0x40000000;

// Scheme numbers of QELHttpUrlParts.
constexpr int32_t kHttpSchemeUnknown = -1;
constexpr int32_t kHttpSchemeHttp = 3;
constexpr int32_t kHttpSchemeHttps = 4;

// Passing this value for both the body and the length pointer asks for the body to be discarded.
#define QEL_HTTP_DISCARD_BODY (reinterpret_cast<char**>(1))
#define QEL_HTTP_DISCARD_LENGTH (reinterpret_cast<int32_t*>(1))

// The components of a URL, laid out as the WinInet URL components record. For each text
// component: length 0 delivers nothing, a length with a null pointer asks for a pointer into
// the URL, a length with a buffer asks for a terminated copy (the length is the buffer size).
// The length always receives the component's length afterwards.
struct QELHttpUrlParts {
    uint32_t structSize;
    char* scheme;
    uint32_t schemeLength;
    int32_t schemeNumber;
    char* host;
    uint32_t hostLength;
    uint16_t port;
    char* userName;
    uint32_t userNameLength;
    char* password;
    uint32_t passwordLength;
    char* path;
    uint32_t pathLength;
    char* extra;
    uint32_t extraLength;
};

// What Head learns about a URL, laid out as the C runtime's 64-bit file-status record.
struct QELHttpFileInfo {
    uint32_t device;
    uint16_t inode;
    uint16_t mode;
    int16_t linkCount;
    int16_t user;
    int16_t group;
    uint32_t rdev;
    int64_t size;
    int64_t accessTime;
    int64_t modificationTime;
    int64_t changeTime;
};

static_assert(sizeof(QELHttpFileInfo) == 56, "file-status record layout");
static_assert(sizeof(void*) != 4 || sizeof(QELHttpUrlParts) == 60, "URL components record layout");
