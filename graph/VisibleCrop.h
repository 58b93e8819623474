// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/DevicePixels.h"

#include <cstdint>

// Source pixels taken off each edge of a frame before it is converted and scaled.
struct SourceCrop {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const SourceCrop&) const = default;
};

// A picture placed so that it overhangs its owner is clipped by the owner: what is cut off is
// converted and scaled for nothing. This gives the window that covers only the part the owner shows,
// and the frame's pixels that part is made from.
struct VisibleCrop {
    PixelRect window;
    SourceCrop crop;
};

// The placement and the owner's size are in device pixels. A frame edge is cut only at a source
// pixel that lands on a whole device pixel (and on a whole chroma pixel), so the kept pixels are
// scaled with the same ratio and offset as the whole frame would be: the screen shows the same
// picture in the same place. Where the scale has no such edge within the hidden part, the window
// keeps overhanging on that side as before.
VisibleCrop CropToOwner(const PixelRect& placed, std::int32_t ownerWidth, std::int32_t ownerHeight,
                        std::int32_t frameWidth, std::int32_t frameHeight);
