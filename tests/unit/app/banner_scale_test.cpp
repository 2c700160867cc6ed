#include <gtest/gtest.h>

#include "app/banner_scale.h"

namespace {

// A picture whose pixel at (x, y) is grey of level(x, y).
template <class Level>
Pixels Picture(int width, int height, Level level) {
    Pixels picture{width, height, std::vector<uint8_t>(width * height * 4)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) picture.bytes[(y * width + x) * 4 + c] = level(x, y);
        }
    }
    return picture;
}

int Grey(const Pixels& picture, int x, int y) { return picture.bytes[(y * picture.width + x) * 4]; }

}  // namespace

TEST(BannerScale, ShrinkingAveragesAndEnlargingInterpolates) {
    // Stripes one pixel wide: any pick of single source pixels would leave black and white.
    const Pixels stripes = Picture(8, 4, [](int x, int) { return x % 2 ? 255 : 0; });
    const Pixels half = ScaleToCover(stripes, 4, 2);
    ASSERT_EQ(half.bytes.size(), 4u * 2 * 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Grey(half, x, 1), 128) << x;

    // Two-thirds: every target pixel still weighs the source pixels by what it covers.
    const Pixels ramp = Picture(6, 3, [](int x, int) { return x * 50; });
    const Pixels smaller = ScaleToCover(ramp, 4, 2);
    const int expected[] = {17, 83, 167, 233};  // (0 * 1 + 50 * .5) / 1.5, ...
    for (int x = 0; x < 4; ++x) EXPECT_NEAR(Grey(smaller, x, 0), expected[x], 1) << x;

    // Doubling: between two pixels come values between them, not copies.
    const Pixels pair = Picture(2, 1, [](int x, int) { return x ? 200 : 0; });
    const Pixels wide = ScaleToCover(pair, 4, 2);
    EXPECT_EQ(Grey(wide, 0, 0), 0);
    EXPECT_EQ(Grey(wide, 1, 0), 50);
    EXPECT_EQ(Grey(wide, 2, 0), 150);
    EXPECT_EQ(Grey(wide, 3, 1), 200);
}

TEST(BannerScale, CoversTheTargetAndCutsTheOverflowEvenly) {
    // Three squares side by side: dark, light, dark. A square target shows the middle one only.
    const Pixels squares = Picture(30, 10, [](int x, int) { return x >= 10 && x < 20 ? 240 : 10; });
    const Pixels middle = ScaleToCover(squares, 5, 5);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Grey(middle, x, 2), 240) << x;
    // A wide target keeps the whole width and cuts rows from top and bottom alike.
    const Pixels rows = Picture(4, 12, [](int, int y) { return y < 4 ? 0 : y < 8 ? 100 : 200; });
    const Pixels band = ScaleToCover(rows, 4, 4);
    EXPECT_EQ(band.width, 4);
    EXPECT_EQ(Grey(band, 0, 0), 100);
    EXPECT_EQ(Grey(band, 3, 3), 100);

    EXPECT_TRUE(ScaleToCover(squares, 0, 5).bytes.empty());
    EXPECT_TRUE(ScaleToCover(Pixels{}, 5, 5).bytes.empty());
}
