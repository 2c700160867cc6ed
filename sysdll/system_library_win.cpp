#include "sysdll/system_library_win.h"

std::wstring SystemFolderPath(const std::wstring& fileName) {
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), size);
    if (length == 0 || length >= size) return {};
    path.resize(length);
    return path + L'\\' + fileName;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    const std::wstring path = SystemFolderPath(fileName);
    if (path.empty()) return nullptr;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
