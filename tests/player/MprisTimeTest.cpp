// SPDX-License-Identifier: GPL-2.0-or-later
// The microseconds MPRIS clients send, turned into graph times without ever wrapping.

#include "player/MprisTime.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kSecond = 10'000'000; // graph units
constexpr std::int64_t kLength = 120 * kSecond;

TEST(MprisTimeTest, SeeksAndPositionsSaturateAndAnythingPastTheEndIsNoPlace) {
    const struct {
        std::int64_t current;
        std::int64_t length;
        std::int64_t offset;
        std::optional<std::int64_t> target;
    } seeks[] = {
        {61 * kSecond, kLength, 30'000'000, 91 * kSecond},
        {61 * kSecond, kLength, -90'000'000, 0},
        {61 * kSecond, kLength, 59'000'000, std::nullopt},
        {61 * kSecond, kLength, 9'000'000'000'000'000'000, std::nullopt},
        {61 * kSecond, kLength, kMax, std::nullopt},
        {61 * kSecond, kLength, kMin, 0},
        {61 * kSecond, kLength, 1, 61 * kSecond + 10},
        // Without a length the graph clamps at the end; the time still must not wrap.
        {61 * kSecond, 0, kMax, kMax},
    };
    for (const auto& s : seeks) {
        EXPECT_EQ(SeekTarget(s.current, s.length, s.offset), s.target) << s.offset;
    }
    const struct {
        std::int64_t position;
        std::optional<std::int64_t> target;
    } positions[] = {
        {0, 0},
        {1'000'000, kSecond},
        {120'000'000, kLength},
        {120'000'001, std::nullopt},
        {-1, std::nullopt},
        {922'337'203'685'477'581, std::nullopt},
        {kMax, std::nullopt},
        {kMin, std::nullopt},
    };
    for (const auto& p : positions) {
        EXPECT_EQ(SetPositionTarget(kLength, p.position), p.target) << p.position;
    }
    EXPECT_EQ(MicrosecondsOf(kMax), kMax / 10);
    EXPECT_EQ(MediaTimeOf(kMax / 2), kMax);
    EXPECT_EQ(MediaTimeOf(kMin / 2), kMin);
}

} // namespace
