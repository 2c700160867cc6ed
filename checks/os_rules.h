// Which Windows versions and service packs the product may be installed on.
#pragma once

#include <cstdint>
#include <functional>

#include "checks/check_outcome.h"

// What the version query reports, reduced to what the decision reads.
struct OsFacts {
    uint32_t platformId = 0;  // 2 is Windows NT
    uint32_t major = 0;
    uint32_t minor = 0;
    uint8_t productType = 0;  // 1 is a workstation
};

struct OsDecision {
    bool accepted = false;
    // Logged on a line of its own; null when the system is not named.
    const wchar_t* osName = nullptr;
    // Catalogue text shown when refused; the server-2008 text takes the product and the OS name.
    unsigned messageId = 0;
    bool isVersion60 = false;
};

inline constexpr uint32_t kPlatformWin32Nt = 2;
inline constexpr uint8_t kWorkstationProduct = 1;
inline constexpr uint16_t kArchitectureAmd64 = 9;

// The native architecture is asked only for 5.2, and the service pack only where a row needs it.
OsDecision DecideOs(const OsFacts& facts, const std::function<uint16_t()>& nativeArchitecture,
                    const std::function<bool(uint16_t)>& servicePackAtLeast);

struct OsCheck {
    CheckOutcome outcome;
    bool isVersion60 = false;
};

// The whole OS check: its lines, its message (the row's string; IDS_OS_FORBIDDEN names the
// product and the system) and its verdict. Without facts (the version query failed) it is
// refused with an empty name line and no message.
OsCheck CheckOs(const OsFacts* facts, const std::function<uint16_t()>& nativeArchitecture,
                const std::function<bool(uint16_t)>& servicePackAtLeast,
                const CatalogLookup& catalog);
