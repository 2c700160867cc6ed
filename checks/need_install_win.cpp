#include <windows.h>

#include <cstdlib>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/catalog_text_win.h"
#include "checks/installed_products.h"
#include "checks/need_install.h"
#include "checks/version_rules.h"
#include "base/link_locations.h"
#include "base/network_timeouts.h"
#include "http/http_client.h"
#include "resources/resource_ids.h"

namespace {

class SetupServices : public NeedInstallServices {
  public:
    explicit SetupServices(const NetworkLimits& limits) : _limits(limits) {}

    void Log(const std::wstring& line) override { WriteLog(line.c_str()); }

    bool InstalledVersion(std::wstring& version) override {
        const RelatedProduct product = FindRelatedProduct(kProductUpgradeCode);
        if (!product.found || !product.versionRead) return false;
        version = product.version;
        return true;
    }

    std::wstring VersionFileUrl() override { return MakeLinkUrl(kLinkVersionFile); }

    int32_t Fetch(const std::wstring& url, std::string& body) override {
        char narrow[1024] = {};
        if (!WideCharToMultiByte(CP_ACP, 0, url.c_str(), -1, narrow, sizeof(narrow), nullptr,
                                 nullptr)) {
            return static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError()));
        }
        QELHttpClient client(nullptr, 1, 1);
        // A server that accepts and never answers would otherwise hold the start-up for hours.
        ApplyNetworkTimeouts(client, _limits);
        // One byte more than a version file may have shows an oversized one.
        client.SetBodyLimit(kMaxVersionFileSize + 1);
        char* received = nullptr;
        int32_t length = 0;
        int keepAlive = 0;
        const int32_t rc = client.Get(narrow, 0, &received, &length, &keepAlive);
        if (received && length > 0) body.assign(received, static_cast<size_t>(length));
        std::free(received);
        return rc;
    }

    std::wstring Widen(std::string_view bytes) override {
        if (bytes.empty()) return {};
        const int size = static_cast<int>(bytes.size());
        std::wstring wide(static_cast<size_t>(size), L'\0');
        const int converted = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), size);
        wide.resize(static_cast<size_t>(converted > 0 ? converted : 0));
        return wide;
    }

    std::wstring LatestInstalledMessage() override {
        return CatalogText(IDS_LATEST_VERSION_INSTALLED, {kProductName});
    }

  private:
    NetworkLimits _limits;
};

}  // namespace

bool CheckNeedInstall(std::wstring& checkMessage, const NetworkLimits& limits) {
    SetupServices services(limits);
    return CheckNeedInstall(services, checkMessage, UpgradeNeeded);
}
