#pragma once

#include <gst/gst.h>

// How many threads a software video decoder may take for a stream of this size and rate: one up to
// full HD at 30 frames a second, which one core decodes with room to spare; 0 (the decoder's own
// choice, a thread per core and one more) above that. Frame threads each hold a set of reference
// frames and cost time handing frames over, so one thread plays a full HD file with less memory and
// less CPU; a larger or faster stream needs the cores to keep up.
int DecoderThreadsFor(int width, int height, double framesPerSecond);

// Sets the thread count of every software video decoder the decoding bin makes, from the caps of
// the stream it is given, before the decoder opens its codec.
void LimitDecoderThreads(GstElement* decodeBin);
