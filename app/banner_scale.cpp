#include "app/banner_scale.h"

#include <algorithm>
#include <cmath>

namespace {

struct Tap {
    int index;
    float weight;
};

// For each target position along one axis, the source positions it is made of. The target
// covers the source span [start, start + length).
std::vector<std::vector<Tap>> AxisTaps(double start, double length, int sourceSize,
                                       int targetSize) {
    std::vector<std::vector<Tap>> taps(targetSize);
    const double step = length / targetSize;
    for (int target = 0; target < targetSize; ++target) {
        std::vector<Tap>& row = taps[target];
        const double from = start + target * step;
        if (step >= 1.0) {
            // Each source pixel counts with the part of it that the target pixel covers.
            const double to = from + step;
            for (int source = static_cast<int>(from); source < to && source < sourceSize;
                 ++source) {
                const double covered = std::min<double>(source + 1, to) - std::max<double>(source, from);
                if (covered > 0) row.push_back({source, static_cast<float>(covered / step)});
            }
        } else {
            // Linear between the two source pixels whose centres bracket the target's centre.
            const double centre = std::clamp(from + step / 2 - 0.5, 0.0, sourceSize - 1.0);
            const int left = static_cast<int>(centre);
            const int right = std::min(left + 1, sourceSize - 1);
            const double part = centre - left;
            row.push_back({left, static_cast<float>(1 - part)});
            if (right != left) row.push_back({right, static_cast<float>(part)});
        }
    }
    return taps;
}

}  // namespace

Pixels ScaleToCover(const Pixels& picture, int width, int height) {
    if (picture.width <= 0 || picture.height <= 0 || width <= 0 || height <= 0) return {};
    // The span of the picture that has the target's proportions.
    const double scale = std::max(static_cast<double>(width) / picture.width,
                                  static_cast<double>(height) / picture.height);
    const double spanX = width / scale;
    const double spanY = height / scale;
    const auto columns = AxisTaps((picture.width - spanX) / 2, spanX, picture.width, width);
    const auto rows = AxisTaps((picture.height - spanY) / 2, spanY, picture.height, height);

    // Rows first into a float buffer of the target's width, then columns.
    std::vector<float> across(static_cast<size_t>(picture.height) * width * 4, 0.0f);
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* source = &picture.bytes[static_cast<size_t>(y) * picture.width * 4];
        float* target = &across[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            for (const Tap& tap : columns[x]) {
                for (int c = 0; c < 4; ++c) target[x * 4 + c] += tap.weight * source[tap.index * 4 + c];
            }
        }
    }
    Pixels scaled{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 4; ++x) {
            float value = 0;
            for (const Tap& tap : rows[y]) value += tap.weight * across[static_cast<size_t>(tap.index) * width * 4 + x];
            scaled.bytes[static_cast<size_t>(y) * width * 4 + x] =
                static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
        }
    }
    return scaled;
}
