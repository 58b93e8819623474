// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"

// A graph told, before it builds a file, the place the file is sought to once built (a resume) can
// get ready for it while it builds: the video decoder, which must then decode from the key frame
// before the place up to it, opens with the threads for that catch-up, rather than being opened
// again for it when the seek comes. The seek itself still comes as before.
class IPositionAhead {
public:
    virtual ~IPositionAhead() = default;
    // For the next file built only; 0 for none.
    virtual void PositionAhead(MediaTime position) = 0;
};
