// What the peer tests share: where the peers are (from run_with_peers.sh) and a download in
// 512 KiB range pieces, as the package download does it.
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "http/http_driver.h"
#include "tests/unit/http/test_support.h"

namespace peers {

inline std::string Env(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const int32_t kPiece = 512 * 1024;

// Fetches `size` bytes in pieces; the first failure ends it and is returned in `result`.
inline std::string FetchInPieces(QELHttpDriver& driver, const std::string& url, int64_t size,
                                 int32_t* result) {
    std::string whole;
    *result = kHttpOk;
    for (int64_t from = 0; from < size && *result == kHttpOk; from += kPiece) {
        char* body = nullptr;
        int32_t length = 0;
        *result = driver.GetRange(url.c_str(), kHttpFlagKeepAlive, 0, static_cast<int32_t>(from),
                                  kPiece, &body, &length, nullptr);
        if (*result == kHttpOk && body) whole.append(body, length);
        free(body);
    }
    return whole;
}

// The server port and nginx's connection number that start an access-log line: one connection.
inline std::string ConnectionOf(const std::string& line) {
    const size_t port = line.find(' ');
    return line.substr(0, port == std::string::npos ? port : line.find(' ', port + 1));
}

// The access-log lines that contain `marker`, waiting a little for nginx to write the last.
inline std::vector<std::string> LogLines(const std::string& marker, size_t expected) {
    std::vector<std::string> lines;
    for (int attempt = 0; attempt < 40; ++attempt) {
        lines.clear();
        std::istringstream log(ReadFile(Env("QEL_PEERS_LOG")));
        for (std::string line; std::getline(log, line);)
            if (line.find(marker) != std::string::npos) lines.push_back(line);
        if (lines.size() >= expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return lines;
}

}  // namespace peers
