// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/VisibleCrop.h"

#include <algorithm>
#include <numeric>

namespace {

struct AxisCut {
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::int32_t before = 0;
    std::int32_t after = 0;
};

// Cuts along one axis: the placed span against the owner's span [0, shown).
AxisCut CutAxis(std::int32_t start, std::int32_t length, std::int32_t shown, std::int32_t frame) {
    AxisCut whole{start, length, 0, 0};
    if (length <= 0 || frame <= 0 || shown <= 0) {
        return whole;
    }
    // The smallest run of source pixels that spans a whole number of device pixels; kept even so
    // that subsampled colour planes are cut between their own pixels too.
    const std::int32_t common = std::gcd(length, frame);
    std::int32_t deviceStep = length / common;
    std::int32_t sourceStep = frame / common;
    if (sourceStep % 2 != 0) {
        deviceStep *= 2;
        sourceStep *= 2;
    }
    const std::int64_t end = std::int64_t{start} + length;
    const std::int64_t hiddenBefore = std::max<std::int64_t>(0, -std::int64_t{start});
    const std::int64_t hiddenAfter = std::max<std::int64_t>(0, end - shown);
    const auto stepsBefore = static_cast<std::int32_t>(hiddenBefore / deviceStep);
    const auto stepsAfter = static_cast<std::int32_t>(hiddenAfter / deviceStep);
    const std::int64_t kept = std::int64_t{frame} - std::int64_t{stepsBefore + stepsAfter} * sourceStep;
    if (kept <= 0) {
        return whole;
    }
    return {start + stepsBefore * deviceStep, length - (stepsBefore + stepsAfter) * deviceStep,
            stepsBefore * sourceStep, stepsAfter * sourceStep};
}

} // namespace

VisibleCrop CropToOwner(const PixelRect& placed, std::int32_t ownerWidth, std::int32_t ownerHeight,
                        std::int32_t frameWidth, std::int32_t frameHeight) {
    const AxisCut across = CutAxis(placed.left, placed.width, ownerWidth, frameWidth);
    const AxisCut down = CutAxis(placed.top, placed.height, ownerHeight, frameHeight);
    return {{across.start, down.start, across.length, down.length},
            {across.before, down.before, across.after, down.after}};
}
