// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PositionText.h"

#include <cinttypes>
#include <cstdio>

std::string PositionText(std::int64_t position) {
    std::int64_t tenths = position / 1000000;
    const std::int64_t hours = tenths / 36000;
    tenths %= 36000;
    const std::int64_t minutes = tenths / 600;
    tenths %= 600;
    const std::int64_t seconds = tenths / 10;
    tenths %= 10;
    char text[96];
    std::snprintf(text, sizeof text, "%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64 ".%.1" PRId64, hours, minutes,
                  seconds, tenths);
    return text;
}
