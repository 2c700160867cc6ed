// Child processes for the driver's tests: the stand-in dialog and ui_driver.exe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui_driver_test {

std::wstring StandInExe();
std::wstring DriverExe();

// A started process; one still running when this goes away is terminated.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Start(const std::wstring& exe, const std::vector<std::wstring>& args);
    // The exit code, or -1 when the process is still running after timeoutMs.
    long Wait(DWORD timeoutMs);

  private:
    PROCESS_INFORMATION _info = {};
};

struct Captured {
    long exitCode = -1;  // -1: could not be started
    std::string out;
    std::string err;
};

// Runs a console program to its end and collects what it wrote; ui_driver.exe always ends, as
// every wait it does has a timeout.
Captured RunCaptured(const std::wstring& exe, const std::vector<std::wstring>& args);

}  // namespace ui_driver_test
