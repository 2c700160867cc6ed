#include <cstdlib>

#include "base/environment.h"

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
    const std::wstring wideName = name;
    const std::string narrowName(wideName.begin(), wideName.end());
    const char* value = std::getenv(narrowName.c_str());
    if (!value) return std::nullopt;
    // The values the setup reads are ASCII; other bytes are carried over unit by unit.
    std::wstring wide;
    for (const char* p = value; *p; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}
