// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <gst/gst.h>
#include <span>

// An accurate seek lands between key frames: the decoder decodes from the key frame before the place
// up to it, and every picture of that catch-up is thrown away after decoding. A picture that no other
// picture refers to (an H.264 picture whose slices all have nal_ref_idc 0) and that ends before
// the place is never shown and changes no picture after it, so it is dropped before the decoder: the
// picture at the place comes out the same, decoded from the same references, with less work.

// How a coded picture is packed, as its caps say.
enum class CodedPacking {
    // Not a stream whose pictures can be told apart here: nothing is dropped.
    Unknown,
    // H.264 NAL units each behind a big-endian length of 1 to 4 bytes (stream-format avc).
    H264Lengths,
    // H.264 NAL units behind start codes (stream-format byte-stream).
    H264StartCodes,
};

struct CodedFormat {
    CodedPacking packing = CodedPacking::Unknown;
    // Bytes of each NAL unit's length, for H264Lengths.
    int lengthSize = 4;
    // Whether the caps carry the parameter sets a decoder opened afresh needs (H.264's avc).
    bool parameterSetsInCaps = false;
};

// The packing of a stream from its caps; Unknown for anything not parsed into one picture a buffer.
CodedFormat CodedFormatOf(const GstCaps* caps);

// What a decoder's input has said of its stream so far: how its pictures are packed, and the segment
// they play in.
struct CodedStream {
    CodedStream();
    // Takes in a caps or a segment event; others change nothing.
    void Follow(GstEvent* event);

    CodedFormat format;
    GstSegment segment;
    bool segmentKnown = false;
};

// Whether the coded picture in the buffer is one that no later picture refers to. Anything not
// understood (no picture found, a truncated unit, an extension of the codec) counts as referred to.
bool UnreferencedPicture(std::span<const std::uint8_t> picture, const CodedFormat& format);

// Whether the coded picture is one a decoder opened afresh can start from: an IDR picture, with the
// parameter sets it needs in the caps or in the picture itself.
bool StartsAfresh(std::span<const std::uint8_t> picture, const CodedFormat& format);

// Whether a picture from `start` lasting `duration` ends at or before the segment's start, and so is
// never shown. A picture without a time or a duration is kept.
bool EndsBeforeSegment(GstClockTime start, GstClockTime duration, const GstSegment& segment);

// Drops, at the decoder's input pad, the unreferenced pictures that end before the segment's start.
// Runs its probe on the pad's streaming thread.
void SkipUnshownUnreferencedPictures(GstPad* decoderInput);

// Pictures dropped so far in this process; for tests and the timeline.
std::uint64_t SkippedCatchUpPictures();
