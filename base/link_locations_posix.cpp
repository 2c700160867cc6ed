#include <cstdlib>

#include "base/link_locations.h"

std::optional<std::wstring> ReadServerVariable() {
    const char* value = std::getenv("Tellura_Server");
    if (!value) return std::nullopt;
    // Host names are ASCII; other bytes are carried over unit by unit.
    std::wstring wide;
    for (const char* p = value; *p; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}
