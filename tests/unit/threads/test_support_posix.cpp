#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "test_support.h"

extern char** environ;

namespace qeltest {

std::string SiblingPath(const std::string& name) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return name;
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + name;
}

void SetEnv(const char* name, const char* value) {
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

int RunChild(const std::string& program, const std::string& argument, const std::string& outFile,
             const std::string& errFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                    nullptr};
    pid_t pid;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

LoopbackListener::LoopbackListener() : _socket(-1), _port(0) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (s >= 0) close(s);
        return;
    }
    _socket = s;
    _port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() { Close(); }

void LoopbackListener::Close() {
    if (_socket >= 0) close(static_cast<int>(_socket));
    _socket = -1;
}

std::string LoopbackListener::AcceptAndReadAll() {
    std::string data;
    pollfd ready{static_cast<int>(_socket), POLLIN, 0};
    if (_socket < 0 || poll(&ready, 1, 5000) != 1) return data;
    const int peer = accept(static_cast<int>(_socket), nullptr, nullptr);
    if (peer < 0) return data;
    char buffer[4096];
    pollfd readable{peer, POLLIN, 0};
    while (poll(&readable, 1, 5000) == 1) {
        const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        data.append(buffer, static_cast<size_t>(got));
    }
    close(peer);
    return data;
}

}  // namespace qeltest
