#include <windows.h>

#include <vector>

#include "engine/package_hold.h"

namespace {

// Only the worker thread holds and releases.
std::vector<HANDLE>& HeldPackages() {
    static std::vector<HANDLE> held;
    return held;
}

}  // namespace

uint32_t HoldPackage(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    HeldPackages().push_back(file);
    return ERROR_SUCCESS;
}

void ReleasePackages() {
    for (const HANDLE file : HeldPackages()) CloseHandle(file);
    HeldPackages().clear();
}
