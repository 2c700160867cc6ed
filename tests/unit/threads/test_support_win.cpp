#include <winsock2.h>
#include <windows.h>

#include <cstdlib>

#include "test_support.h"

namespace qeltest {

std::string SiblingPath(const std::string& name) {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, length);
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

void SetEnv(const char* name, const char* value) {
    SetEnvironmentVariableA(name, value);
    _putenv_s(name, value ? value : "");
}

namespace {

HANDLE OpenForChild(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int RunChild(const std::string& program, const std::string& argument, const std::string& outFile,
             const std::string& errFile) {
    HANDLE out = OpenForChild(outFile);
    HANDLE err = OpenForChild(errFile);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string commandLine = "\"" + program + "\" " + argument;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
}

LoopbackListener::LoopbackListener() : _socket(-1), _port(0) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(s, 4) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        return;
    }
    _socket = static_cast<long long>(s);
    _port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() { Close(); }

void LoopbackListener::Close() {
    if (_socket >= 0) closesocket(static_cast<SOCKET>(_socket));
    _socket = -1;
}

std::string LoopbackListener::AcceptAndReadAll() {
    std::string data;
    if (_socket < 0) return data;
    const SOCKET listener = static_cast<SOCKET>(_socket);
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval limit{5, 0};
    if (select(0, &ready, nullptr, nullptr, &limit) != 1) return data;
    const SOCKET peer = accept(listener, nullptr, nullptr);
    if (peer == INVALID_SOCKET) return data;
    DWORD timeout = 5000;
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    char buffer[4096];
    for (;;) {
        const int got = recv(peer, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        data.append(buffer, static_cast<size_t>(got));
    }
    closesocket(peer);
    return data;
}

}  // namespace qeltest
