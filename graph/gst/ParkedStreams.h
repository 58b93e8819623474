// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <map>
#include <mutex>

// Streams whose consumer left the graph: their buffers are dropped, so that the rest of the pipeline
// flows on instead of stopping with "not linked". Each parked pad keeps its probe until it is let go.
// Parking happens on streaming threads (a decoded stream nobody takes) as well as on the window's.
class ParkedStreams {
public:
    void Park(GstPad* pad);
    void Unpark(GstPad* pad);
    // Lets go of the pads of an element that leaves the graph.
    void ReleaseOwnedBy(GstElement* element);
    void Clear();

private:
    std::mutex lock_;
    std::map<GstPad*, PadProbe> parked_;
};
