// Smooth scaling of the banner picture to the frame it fills, at any display scale.
#pragma once

#include <cstdint>
#include <vector>

// A picture as 32-bit pixels, rows top-down, each pixel four bytes (blue, green, red, unused).
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // width * height * 4
};

// The picture scaled to cover width x height without distortion, the overflow of one direction
// cut off evenly on both sides. Shrinking averages every source pixel a target pixel covers;
// enlarging interpolates between neighbours. Empty for an empty picture or target.
Pixels ScaleToCover(const Pixels& picture, int width, int height);
