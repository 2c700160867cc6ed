// Small helpers shared by the HTTP suites.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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

// Starts the server on a free port; a server that cannot listen fails the test.
inline void Start(httptest::ScriptedServer& server, std::vector<httptest::Reply> replies = {}) {
    std::string error;
    ASSERT_TRUE(server.Start(std::move(replies), 0, &error)) << error;
}

// Frees a body block when the test ends.
struct Body {
    char* data = nullptr;
    int32_t length = 0;
    ~Body() { free(data); }
    std::string Text() const { return data ? std::string(data, length) : std::string(); }
};
