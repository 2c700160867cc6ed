// The driver base class's own operations besides the request model: construction and the
// defaults a driver may replace.
#include "http/http_driver.h"

#include <cstdlib>
#include <cstring>

#include "http/header_text.h"

QELHttpDriver::QELHttpDriver(uint16_t major, uint16_t minor) {
    bool keep = major == 1 || minor < 2;
    _major = keep ? major : 1;
    _minor = keep ? minor : 1;
}

QELHttpDriver::~QELHttpDriver() = default;

int32_t QELHttpDriver::ReadBody(int32_t* length, char** body) {
    if (!length || !body) return kHttpInvalidArg;
    uint32_t chunked = 0;
    char* value = nullptr;
    int32_t valueLength = 0;
    if (QueryInfo(&value, &valueLength, nullptr, kHttpQueryTransferEncoding, nullptr) >= 0) {
        chunked = strstr(value, "chunked") ? kHttpReadChunked : 0;
        free(value);
    }
    int32_t expected = 0;
    if (!chunked && QueryInfo(&value, &valueLength, nullptr,
                              kHttpQueryContentLength | kHttpQueryNumber, nullptr) >= 0) {
        memcpy(&expected, value, sizeof(expected));
        free(value);
    }
    *length = expected;
    return ReadData(chunked, length, body);
}

int32_t QELHttpDriver::ReadResponse(uint32_t, int32_t* length, char** body, int* complete) {
    if (!complete) return kHttpInvalidArg;
    int32_t result = ReadBody(length, body);
    *complete = result >= 0;
    return result;
}

void QELHttpDriver::OnBody(char*, int32_t, int) {}

int32_t QELHttpDriver::GetCredentials(const char*, int32_t, const char* scheme, const char* realm,
                                      char** credentials) {
    return scheme && realm && credentials ? -1 : kHttpInvalidArg;
}

int32_t QELHttpDriver::MergeHeader(const char* line, uint32_t modifiers, int32_t* length,
                                   char** buffer) {
    return QELHttpMergeHeader(line, modifiers, length, buffer);
}
