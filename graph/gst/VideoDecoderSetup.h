// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>

// How a software video decoder is set up for a stream of a given size and rate.
struct VideoDecoderSetup {
    // One up to full HD at 30 frames a second, which one core decodes with room to spare; 0 (the
    // decoder's own choice, a thread per core and one more) above that. Frame threads each hold a set
    // of reference frames and cost time handing frames over, so one thread plays a full HD file with
    // less memory and less CPU; a larger or faster stream needs the cores to keep up.
    int threads;
    // Whether the decoder decodes straight into buffers of the downstream pool. It decodes its first
    // frames before that pool is agreed, into a pool of its own that it keeps, full, for the life of
    // the file: three idle full HD frames, 9 MiB. Copying each frame out instead frees those, for a
    // copy that costs little next to decoding at these rates; above them the copy is left out.
    bool directRendering;

    bool operator==(const VideoDecoderSetup&) const = default;
};

VideoDecoderSetup VideoDecoderSetupFor(int width, int height, double framesPerSecond);

// Sets up every software video decoder the decoding bin makes, from the caps of the stream it is
// given, before the decoder opens its codec. With the place the stream is sought to once built, in
// its own time, a decoder kept at one thread opens with the threads of the catch-up to that place.
void SetUpVideoDecoders(GstElement* decodeBin, GstClockTime positionAhead = GST_CLOCK_TIME_NONE);
