// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <gst/gst.h>

// A decoder kept at one thread (a stream one core plays in real time, decoded with less memory and
// less CPU that way) still has to decode, after a seek, every frame from the key frame before the
// place up to the place before the picture there can be shown: a resume's first picture waits for
// all of them. For that stretch the decoder is reopened with two threads, one for each core, and at
// the first picture past the place that starts afresh (an IDR picture, with its parameter sets at
// hand) it is reopened with one again. Only at those points does a reopen lose nothing: the first
// after a flush, when the decoder holds nothing, and an IDR picture, which refers to nothing before
// it. avdec reads its thread count only when it opens its codec, and opens it again only for caps
// that differ, so each reopening marks the caps with a field of its own.

// Watches a decoder's input pad and switches the decoder's threads around its catch-ups. Runs on
// the pad's streaming thread. Given the place the stream is sought to once built, the decoder opens
// on the catch-up's threads already, and goes back to one past that place. Its probe must come
// after the one that sets the decoder up from the caps.
void DecodeCatchUpsOnBothCores(GstPad* decoderInput, GstClockTime positionAhead = GST_CLOCK_TIME_NONE);

// Whether the caps are those the decoder was reopened with around a catch-up; their threads are set
// already.
bool CatchUpCaps(const GstCaps* caps);

// Catch-ups decoded on two threads so far in this process, and reopens back to one after them;
// for tests and the timeline.
struct CatchUpThreadCounts {
    std::uint64_t raised = 0;
    std::uint64_t returned = 0;
};
CatchUpThreadCounts CatchUpThreadSwitches();
