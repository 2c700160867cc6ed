// Where a progress message puts the bar.
#pragma once

#include <cstdint>
#include <optional>

// position * 100 / range, truncated; nothing when the bar may not move or the range is 0.
// The product is taken in 64 bits so that large byte-block counts cannot overflow.
inline std::optional<int32_t> ProgressPercent(int32_t position, int32_t range,
                                              int32_t progressEnabled) {
    if (progressEnabled != 1 || range == 0) return std::nullopt;
    return static_cast<int32_t>(static_cast<int64_t>(position) * 100 / range);
}
