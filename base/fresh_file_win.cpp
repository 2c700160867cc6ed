#include "base/fresh_file_win.h"

namespace {

// A link is removed as a name: DeleteFileW and RemoveDirectoryW never reach its target.
void RemovePlanted(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
}

}  // namespace

HANDLE CreateFreshFile(const std::wstring& path, DWORD access, DWORD share) {
    const std::wstring name = LongPathForm(path);
    // Another process may plant again between the removal and the creation; it only wins the
    // name a few times, and then the file is not written at all.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RemovePlanted(name);
        const HANDLE file =
            CreateFileW(name.c_str(), access, share, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.rfind(L"\\\\", 0) == 0) return path;
    return L"\\\\?\\" + path;
}
