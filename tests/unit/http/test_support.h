// Small helpers shared by the HTTP suites.
#pragma once

#include <cstdlib>
#include <string>

#include "tests/tools/http_test_server/scripted_server.h"

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

// A complete response with a Content-Length.
inline httptest::Reply Answer(const std::string& status, const std::string& body,
                              const std::string& headers = "", bool closeAfter = false) {
    return {"HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
                headers + "\r\n" + body,
            closeAfter};
}

// Frees a body block when the test ends.
struct Body {
    char* data = nullptr;
    int32_t length = 0;
    ~Body() { free(data); }
    std::string Text() const { return data ? std::string(data, length) : std::string(); }
};
