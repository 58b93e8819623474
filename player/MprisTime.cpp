// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/MprisTime.h"

#include <limits>

namespace {

constexpr std::int64_t kUnitsPerMicrosecond = 10;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? kMax : kMin;
    }
    return sum;
}

} // namespace

std::int64_t MicrosecondsOf(std::int64_t mediaTime) {
    return mediaTime / kUnitsPerMicrosecond;
}

std::int64_t MediaTimeOf(std::int64_t microseconds) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(microseconds, kUnitsPerMicrosecond, &product)) {
        return microseconds > 0 ? kMax : kMin;
    }
    return product;
}

std::optional<std::int64_t> SeekTarget(std::int64_t current, std::int64_t length, std::int64_t offset) {
    const std::int64_t target = SaturatingAdd(MicrosecondsOf(current), offset);
    if (length > 0 && target >= MicrosecondsOf(length)) {
        return std::nullopt;
    }
    return target < 0 ? 0 : MediaTimeOf(target);
}

std::optional<std::int64_t> SetPositionTarget(std::int64_t length, std::int64_t position) {
    if (position < 0 || position > MicrosecondsOf(length)) {
        return std::nullopt;
    }
    return MediaTimeOf(position);
}
