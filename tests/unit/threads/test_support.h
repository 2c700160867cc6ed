// Child processes, environment and a loopback listener for the thread library's tests.
#pragma once

#include <string>

namespace qeltest {

// Path of a file beside the running test program.
std::string SiblingPath(const std::string& name);

// Sets (value non-null) or removes an environment variable for this process and its children.
void SetEnv(const char* name, const char* value);

// Runs program with one argument, its standard output and error going to the two files.
// Returns its exit code, or -1 if it could not be started.
int RunChild(const std::string& program, const std::string& argument, const std::string& outFile,
             const std::string& errFile);

std::string ReadFile(const std::string& path);

// A TCP listener on 127.0.0.1.
class LoopbackListener {
  public:
    LoopbackListener();  // any free port
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return _port; }
    // Accepts one connection and reads it until the peer closes it (at most a few seconds).
    std::string AcceptAndReadAll();
    void Close();

  private:
    long long _socket;
    int _port;
};

}  // namespace qeltest
