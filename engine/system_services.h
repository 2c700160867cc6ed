// The operating system as the installer and post-install steps use it: child processes, a
// pause, the product's registry entry and the system's error texts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The exit code a process reports while it still runs.
inline constexpr uint32_t kStillActive = 259;

// A started program. Destroying it closes its handles; the program itself goes on.
class ChildProcess {
  public:
    virtual ~ChildProcess() = default;
    // kStillActive while it runs; false with the system error when it cannot be read.
    virtual bool ExitCode(uint32_t& code, uint32_t& error) = 0;
    // Returns when the program ends or after the time, whichever comes first.
    virtual void Wait(uint32_t milliseconds) = 0;
    // Ends the program with exit code 0.
    virtual void Terminate() = 0;
};

class SystemServices {
  public:
    virtual ~SystemServices() = default;

    // Starts the command line without a window; null with the system error when it cannot.
    virtual std::unique_ptr<ChildProcess> StartProcess(const std::wstring& commandLine,
                                                       bool inheritHandles, uint32_t& error) = 0;
    virtual void Pause(uint32_t milliseconds) = 0;
    // The product's registry key: 0 or the system error.
    virtual uint32_t OpenProductKey() = 0;
    // A string value of that key of at most 1024 bytes: 0 or the system error.
    virtual uint32_t ReadProductValue(const wchar_t* name, std::wstring& value) = 0;
    // The system's text for an error code; empty when it has none.
    virtual std::wstring ErrorText(uint32_t code) = 0;
};
