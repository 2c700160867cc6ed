// The server version check over any version file and any installed version: the first byte
// says how many of the following bytes are the installed version, the rest is the file.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "checks/need_install.h"

namespace {

std::wstring Bytes(std::string_view bytes) {
    std::wstring wide;
    for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
    return wide;
}

class Served : public NeedInstallServices {
  public:
    Served(std::wstring installed, std::string file)
        : _installed(std::move(installed)), _file(std::move(file)) {}
    void Log(const std::wstring&) override {}
    bool InstalledVersion(std::wstring& version) override {
        version = _installed;
        return true;
    }
    std::wstring VersionFileUrl() override { return L"http://fuzz.test/fwlink/?LinkId=136708"; }
    int32_t Fetch(const std::wstring&, std::string& body) override {
        body = _file;
        return 0;
    }
    std::wstring Widen(std::string_view bytes) override { return Bytes(bytes); }
    std::wstring LatestInstalledMessage() override { return L"latest"; }

  private:
    std::wstring _installed;
    std::string _file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t installedLength = std::min<size_t>(data[0], size - 1);
    Served served(Bytes(std::string_view(bytes, installedLength)),
                  std::string(bytes + installedLength, size - 1 - installedLength));
    std::wstring message;
    bool upgradeNeeded = false;
    const bool install = CheckNeedInstall(served, message, upgradeNeeded);
    // Only a readable file can refuse, and then nothing is to be upgraded.
    const size_t fileSize = size - 1 - installedLength;
    if (!install && (upgradeNeeded || message != L"latest" || fileSize < 1 || fileSize > 512))
        abort();
    return 0;
}
