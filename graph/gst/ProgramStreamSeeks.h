// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>
#include <memory>

// Seeks in MPEG program streams that show the picture of their target. The program stream demuxer
// finds a seek's place by the packs' clock references, and the pictures in a pack are presented up
// to a second after its clock reference, so a seek to t started reading at pictures of t + 0.5 s and
// showed the next key frame after that, up to a second late. The demuxer is asked to start earlier
// by a lead that covers the clock's head start and a group of pictures, and the segment it sends is
// made to start at the target, so the decoders decode from the earlier key frame and show nothing
// before the target, as an accurate seek does in every other container.
class ProgramStreamSeeks {
public:
    ProgramStreamSeeks();

    // Watches a decoding bin for a program stream demuxer; a graph built anew calls it again, and
    // what was known of the old demuxer is forgotten.
    void Watch(GstElement* decodeBin);

    // Where the pipeline's seek must start for the picture at target (ns, stream time): the target
    // itself, or earlier by the lead when the graph has a program stream demuxer, whose segment for
    // that seek will start at the target.
    guint64 StartFor(guint64 target);

    // How much earlier the demuxer is asked to start.
    static constexpr guint64 Lead = 2 * GST_SECOND;

private:
    struct Shared;
    static void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer data);
    static void OnDemuxerPadAdded(GstElement*, GstPad* pad, gpointer data);
    static GstPadProbeReturn OnDemuxerEvent(GstPad*, GstPadProbeInfo* info, gpointer data);

    // Shared with the streaming threads' handlers, which may outlive this object by a little.
    std::shared_ptr<Shared> shared_;
};
