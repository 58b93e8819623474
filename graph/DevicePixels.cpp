// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/DevicePixels.h"

#include <cmath>

namespace {

std::int32_t Scaled(std::int64_t value, double ratio) {
    return static_cast<std::int32_t>(std::llround(static_cast<double>(value) * ratio));
}

} // namespace

PixelRect ToDevicePixels(const PixelRect& logical, double ratio) {
    if (!(ratio > 0.0)) {
        ratio = 1.0;
    }
    const std::int32_t left = Scaled(logical.left, ratio);
    const std::int32_t top = Scaled(logical.top, ratio);
    const std::int32_t right = Scaled(std::int64_t{logical.left} + logical.width, ratio);
    const std::int32_t bottom = Scaled(std::int64_t{logical.top} + logical.height, ratio);
    return {left, top, right - left, bottom - top};
}
