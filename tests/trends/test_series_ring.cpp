#include <gtest/gtest.h>

#include "trends/series_ring.h"

using trends::SeriesRing;

TEST(SeriesRing, KeepsTheNewestPointsAndDrawsEachColumnsRange) {
    SeriesRing ring(4);
    for (int64_t t = 0; t < 6; ++t) {
        ring.Add(t * 100, true, double(t));
    }
    EXPECT_EQ(ring.Count(), 4u);
    const auto columns = ring.Decimate(0, 600, 3);  // 0-200, 200-400, 400-600
    EXPECT_FALSE(columns[0].valid);                 // points 0 and 1 were overwritten
    ASSERT_TRUE(columns[1].valid);
    EXPECT_DOUBLE_EQ(columns[1].low, 2.0);
    EXPECT_DOUBLE_EQ(columns[1].high, 3.0);
    EXPECT_DOUBLE_EQ(columns[2].high, 5.0);
}

// Points further apart than a column: the columns between two valid points carry the earlier
// one; an invalid point leaves a gap up to the next one.
TEST(SeriesRing, ColumnsBetweenPointsHoldTheLineAndInvalidPointsBreakIt) {
    SeriesRing ring(16);
    ring.Add(0, true, -6.0);
    ring.Add(500, true, -5.0);
    ring.Add(700, false, 0.0);
    ring.Add(900, true, -4.0);
    const auto columns = ring.Decimate(0, 1000, 10);
    for (int x : {0, 1, 2, 3, 4}) {
        ASSERT_TRUE(columns[size_t(x)].valid) << x;
        EXPECT_DOUBLE_EQ(columns[size_t(x)].high, -6.0) << x;
    }
    EXPECT_DOUBLE_EQ(columns[5].high, -5.0);
    EXPECT_FALSE(columns[6].valid);  // after the good point at 500, before the failed one
    EXPECT_FALSE(columns[7].valid);
    EXPECT_FALSE(columns[8].valid);
    EXPECT_DOUBLE_EQ(columns[9].high, -4.0);
}
