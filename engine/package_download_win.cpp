#include <windows.h>

#include "engine/package_download.h"
#include "engine/package_hold.h"

std::optional<std::string> MultiByteUrl(const std::wstring& url) {
    char narrow[1024];
    if (!WideCharToMultiByte(CP_ACP, 0, url.c_str(), -1, narrow, sizeof(narrow), nullptr,
                             nullptr)) {
        return std::nullopt;
    }
    return std::string(narrow);
}

FILE* CreatePackageFile(const std::wstring& path) {
    uint32_t error = 0;
    return CreateHeldPackage(path, error);
}
