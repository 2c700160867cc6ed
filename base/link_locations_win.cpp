#include <windows.h>

#include "base/link_locations.h"

std::optional<std::wstring> ReadServerVariable() {
    const DWORD size = GetEnvironmentVariableW(L"Tellura_Server", nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"Tellura_Server", value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}
