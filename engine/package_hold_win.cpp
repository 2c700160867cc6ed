#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <map>

#include "engine/package_hold.h"

namespace {

// Only the worker thread holds and releases.
std::map<std::wstring, HANDLE>& HeldPackages() {
    static std::map<std::wstring, HANDLE> held;
    return held;
}

HANDLE Open(const std::wstring& path, DWORD share) {
    return CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

FILE* CreateHeldPackage(const std::wstring& path, uint32_t& error) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    // The download writes through a stream of its own; the hold keeps the original handle.
    HANDLE stream = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &stream, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        error = GetLastError();
        CloseHandle(file);
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(stream), _O_BINARY);
    FILE* written = descriptor == -1 ? nullptr : _fdopen(descriptor, "wb");
    if (!written) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        if (descriptor == -1) CloseHandle(stream); else _close(descriptor);
        CloseHandle(file);
        return nullptr;
    }
    HeldPackages()[path] = file;
    return written;
}

uint32_t HoldPackage(const std::wstring& path) {
    auto held = HeldPackages().find(path);
    if (held == HeldPackages().end()) return ERROR_FILE_NOT_FOUND;
    // Windows before Vista cannot take write access off a handle. A bridge that shares writing
    // lets the writing handle close; the read hold then opens only if nobody else has the file
    // open for writing, since it does not share writing.
    const HANDLE bridge = Open(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (bridge == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(held->second);
    held->second = Open(path, FILE_SHARE_READ);
    const DWORD error = held->second == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    CloseHandle(bridge);
    return error;
}

void* HeldPackage(const std::wstring& path) {
    const auto held = HeldPackages().find(path);
    return held == HeldPackages().end() ? nullptr : held->second;
}

std::vector<std::wstring> ReleasePackages() {
    std::vector<std::wstring> created;
    for (const auto& [path, file] : HeldPackages()) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        created.push_back(path);
    }
    HeldPackages().clear();
    return created;
}
