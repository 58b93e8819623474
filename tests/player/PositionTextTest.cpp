// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PositionText.h"

#include <gtest/gtest.h>

TEST(PositionText, TruncatesToTenthsAndNeverWrapsHours) {
    EXPECT_EQ(PositionText(0), "00:00:00.0");
    EXPECT_EQ(PositionText(599'999'999), "00:00:59.9");
    EXPECT_EQ(PositionText(36'000'000'000), "01:00:00.0");
    EXPECT_EQ(PositionText(3'600'000'000'000), "100:00:00.0");
    EXPECT_EQ(PositionText(37'512'345'678), "01:02:31.2");
    EXPECT_EQ(PositionText(999'999), "00:00:00.0");
}

TEST(PositionText, LargestMediaTimeStillFits) {
    EXPECT_EQ(PositionText(INT64_MAX), "256204778:48:05.4");
}
