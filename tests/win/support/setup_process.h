// TelluraSetup.exe started as a user would, with a private temporary folder and chosen
// environment variables, and its log read back line by line.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// TelluraSetup.exe of the build tree.
std::wstring BuiltSetupPath();

class SetupProcess {
  public:
    // Starts the setup (the built one unless exePath names a copy) with TMP and TEMP at
    // logFolder and the given variables added (an empty value removes a variable).
    SetupProcess(const std::wstring& logFolder, const std::map<std::wstring, std::wstring>& env,
                 const std::wstring& exePath = BuiltSetupPath());
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // Waits for the process to end; false when it is still running after the timeout.
    bool WaitForExit(DWORD timeoutMs);

  private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};
