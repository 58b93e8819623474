// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/DevicePixels.h"

#include <cstdint>
#include <functional>

// Where the video window goes inside its owner for a frame of the size given, in the owner's device
// pixels.
using VideoPlacementRule = std::function<PixelRect(std::int32_t frameWidth, std::int32_t frameHeight)>;

// The panel's rule: the largest whole factor that keeps the frame within 720 x 480, halved, centred
// in 360 x 240, at the owner's device pixel ratio. A frame without a size has no place (all zero).
PixelRect PanelVideoPlacement(std::int32_t frameWidth, std::int32_t frameHeight, double ownerScale);

// A graph that can size its video window as soon as a file's frame size is known, before the first
// picture is converted: that picture is then made at the size it is shown at, and is not made a
// second time when the window is placed. A graph without it makes the picture again then.
class IVideoPlacementAhead {
public:
    virtual ~IVideoPlacementAhead() = default;
    // The rule for the files built from now on; called on a streaming thread.
    virtual void PlaceAhead(VideoPlacementRule rule) = 0;
};
