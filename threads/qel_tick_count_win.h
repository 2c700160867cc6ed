// A 64-bit millisecond count for systems without GetTickCount64 (Windows XP).
#pragma once

#include <cstdint>

namespace qel {

// The next 64-bit count from the last one and GetTickCount's value now: the high half counts
// the wraps of the 32-bit counter, noticed when it goes below its last value.
uint64_t NextTickCount(uint64_t last, uint32_t now);

// GetTickCount extended to 64 bits; safe from any thread, as long as some thread asks at least
// once every 49 days.
uint64_t TickCountFromGetTickCount();

}  // namespace qel
