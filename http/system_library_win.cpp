#include "http/system_library_win.h"

#include <string>

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0) return nullptr;
    std::wstring path(size, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), size);
    if (length == 0 || length >= size) return nullptr;
    path.resize(length);
    path += L'\\';
    path += fileName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
