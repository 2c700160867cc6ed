// The engine's system services over Win32: processes, the product's registry key, error texts.
#pragma once

#include <windows.h>

#include "engine/system_services.h"

class WindowsSystem : public SystemServices {
  public:
    WindowsSystem() = default;
    ~WindowsSystem() override;
    WindowsSystem(const WindowsSystem&) = delete;
    WindowsSystem& operator=(const WindowsSystem&) = delete;

    std::unique_ptr<ChildProcess> StartProcess(const std::wstring& commandLine,
                                               bool inheritHandles, uint32_t& error) override;
    void Pause(uint32_t milliseconds) override;
    uint32_t OpenProductKey() override;
    uint32_t ReadProductValue(const wchar_t* name, std::wstring& value) override;
    std::wstring ErrorText(uint32_t code) override;

  private:
    HKEY _key = nullptr;
};
