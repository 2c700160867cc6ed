// Whether installing makes sense: refused only when the server's published version is not newer
// than the installed product. Anything going wrong on the way lets the installation go ahead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/network_timeouts.h"

// What the check needs from the system.
class NeedInstallServices {
  public:
    virtual ~NeedInstallServices() = default;
    virtual void Log(const std::wstring& line) = 0;
    // The installed product's version; false when none is registered or it cannot be read.
    virtual bool InstalledVersion(std::wstring& version) = 0;
    virtual std::wstring VersionFileUrl() = 0;
    // The HTTP result (0 success) and the body.
    virtual int32_t Fetch(const std::wstring& url, std::string& body) = 0;
    // Single-byte text in the system's code page.
    virtual std::wstring Widen(std::string_view bytes) = 0;
    // The catalogue text telling the user the latest version is already there.
    virtual std::wstring LatestInstalledMessage() = 0;
};

bool CheckNeedInstall(NeedInstallServices& services, std::wstring& checkMessage,
                      bool& upgradeNeeded);

// The same with the Windows Installer, the HTTP client and the setup log (Windows only); the
// version file's request waits as long as the limits allow.
bool CheckNeedInstall(std::wstring& checkMessage, const NetworkLimits& limits = {});
