#include "checks/need_install.h"

#include "base/setup_state.h"
#include "base/step_protocol.h"
#include "checks/version_rules.h"

namespace {

// True: go ahead with the installation.
bool CompareWithServer(NeedInstallServices& services, const std::wstring& installed,
                       std::wstring& checkMessage, bool& upgradeNeeded) {
    const std::wstring url = services.VersionFileUrl();
    services.Log(L"Downloading " + url);
    std::string body;
    const int32_t rc = services.Fetch(url, body);
    if (rc != 0 || !IsVersionFileSize(static_cast<int64_t>(body.size()))) {
        services.Log(L"Download of " + url + L" failed - Size = " + std::to_wstring(body.size()) +
                     L" rc  = " + std::to_wstring(rc) + L" ");
        return true;
    }
    const VersionFile file = ParseVersionFile(services.Widen(body));
    switch (file.outcome) {
        case VersionFile::Outcome::kTagNotFound:
            services.Log(L"Download of " + url + L" failed- Tag not found ");
            return true;
        case VersionFile::Outcome::kWrongUpgradeCode:
            services.Log(L"Web Version: " + file.text);
            services.Log(L"Download of " + url + L" failed - Incorrect UpgradeCode : " +
                         file.upgradeCode);
            return true;
        case VersionFile::Outcome::kNoVersion:
            services.Log(L"Web Version: " + file.text);
            services.Log(L"Download of " + url + L" failed - Msi Version not found");
            return true;
        case VersionFile::Outcome::kOk:
            services.Log(L"Web Version: " + file.text);
            break;
    }
    if (CompareVersions(ParseVersionTriple(installed), ParseVersionTriple(file.version)) >= 0) {
        checkMessage = services.LatestInstalledMessage();
        services.Log(checkMessage);
        return false;
    }
    upgradeNeeded = true;
    // The worker checks after the product's installer that this version is the one registered.
    UpgradeVersion = file.version;
    return true;
}

}  // namespace

bool CheckNeedInstall(NeedInstallServices& services, std::wstring& checkMessage,
                      bool& upgradeNeeded) {
    StepProtocol step([&services](const std::wstring& line) { services.Log(line); },
                      L"IN->CheckNeedInstall ()", L"OUT->CheckNeedInstall  returns true");
    upgradeNeeded = false;
    std::wstring installed = L"0.0.0";
    bool install = true;
    if (!services.InstalledVersion(installed)) {
        services.Log(std::wstring(kProductName) + L" is not installed");
    } else {
        services.Log(L"Installed Version: " + installed);
        install = CompareWithServer(services, installed, checkMessage, upgradeNeeded);
    }
    if (!install) step.ExitWith(L"OUT->CheckNeedInstall  returns false");
    return install;
}
