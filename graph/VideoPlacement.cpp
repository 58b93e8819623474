// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/VideoPlacement.h"

#include <algorithm>

PixelRect PanelVideoPlacement(std::int32_t frameWidth, std::int32_t frameHeight, double ownerScale) {
    if (frameWidth <= 0 || frameHeight <= 0) {
        return {};
    }
    const std::int32_t fx = std::max(720 / frameWidth, 1);
    const std::int32_t fy = std::max(480 / frameHeight, 1);
    const std::int32_t f = std::min(fx, fy);
    const std::int32_t width = (frameWidth * f) / 2;
    const std::int32_t height = (frameHeight * f) / 2;
    const std::int32_t left = (360 - width) / 2;
    const std::int32_t top = (240 - height) / 2;
    return ToDevicePixels({left, top, width, height}, ownerScale);
}
