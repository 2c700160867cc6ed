#include <gtest/gtest.h>

#include <limits>

#include "app/progress_rule.h"

TEST(Progress, PositionTimesHundredOverRangeTruncated) {
    EXPECT_EQ(ProgressPercent(30, 60, 1), 50);
    EXPECT_EQ(ProgressPercent(1, 3, 1), 33);
    EXPECT_EQ(ProgressPercent(60, 60, 1), 100);
    EXPECT_EQ(ProgressPercent(-1, 300, 1), 0);  // truncation toward zero
    EXPECT_EQ(ProgressPercent(-1, 3, 1), -33);
}

TEST(Progress, IgnoredWithoutRangeOrWhileDisabled) {
    EXPECT_EQ(ProgressPercent(30, 0, 1), std::nullopt);
    EXPECT_EQ(ProgressPercent(30, 60, 0), std::nullopt);
    EXPECT_EQ(ProgressPercent(30, 60, 2), std::nullopt);
}

TEST(Progress, LargeCountsDoNotOverflow) {
    const int32_t big = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(ProgressPercent(big, big, 1), 100);
    EXPECT_EQ(ProgressPercent(big / 2, big, 1), 49);
}
