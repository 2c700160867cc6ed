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

    bool Started() const { return _process != nullptr; }
    DWORD Id() const { return _id; }
    HANDLE Handle() const { return _process; }
    // Waits for the process to end; false when it is still running after the timeout.
    bool WaitForExit(DWORD timeoutMs);

  private:
    HANDLE _process = nullptr;
    DWORD _id = 0;
};
