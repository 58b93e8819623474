// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/CatchUpSkipping.h"

#include "core/StartupMarks.h"
#include "graph/gst/GstGraphLog.h"

#include <atomic>
#include <cstring>

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

std::atomic<std::uint64_t> skipped{0};

enum class Slice { None, Unreferenced, Referenced };

// One H.264 NAL unit's header byte: slices tell whether they are referred to; the units of the
// codec's scalable and multi-view extensions carry pictures this rule does not read, and keep them.
Slice H264Unit(std::uint8_t header) {
    const int type = header & 0x1f;
    const int referenceIdc = (header >> 5) & 3;
    if (type == 1 || type == 5) {
        return referenceIdc == 0 ? Slice::Unreferenced : Slice::Referenced;
    }
    if (type == 14 || type == 15 || type == 20 || type == 21) {
        return Slice::Referenced;
    }
    return Slice::None;
}

// The picture is unreferenced when it has slices and none of them is referred to.
struct SliceTally {
    bool any = false;
    bool referenced = false;
    void Add(Slice slice) {
        any = any || slice != Slice::None;
        referenced = referenced || slice == Slice::Referenced;
    }
    bool Unreferenced() const { return any && !referenced; }
};

// Calls `visit` with each NAL unit's header byte; false when a length runs past the buffer.
template <typename Visit>
bool ForEachH264Unit(std::span<const std::uint8_t> data, const CodedFormat& format, Visit visit) {
    if (format.packing == CodedPacking::H264StartCodes) {
        for (std::size_t at = 0; at + 3 < data.size(); ++at) {
            if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
                visit(data[at + 3]);
                at += 3;
            }
        }
        return true;
    }
    if (format.packing != CodedPacking::H264Lengths || format.lengthSize < 1 || format.lengthSize > 4) {
        return false;
    }
    const auto lengthSize = static_cast<std::size_t>(format.lengthSize);
    std::size_t at = 0;
    while (at < data.size()) {
        if (data.size() - at < lengthSize) {
            return false;
        }
        std::size_t length = 0;
        for (std::size_t i = 0; i < lengthSize; ++i) {
            length = (length << 8) | data[at++];
        }
        if (length == 0 || length > data.size() - at) {
            return false;
        }
        visit(data[at]);
        at += length;
    }
    return true;
}

// Runs on the decoder input's streaming thread, which carries its caps, segments and buffers in turn.
GstPadProbeReturn OnDecoderInput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& state = *static_cast<CodedStream*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (state.format.packing == CodedPacking::Unknown || !state.segmentKnown ||
            !EndsBeforeSegment(GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer), state.segment)) {
            return GST_PAD_PROBE_OK;
        }
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return GST_PAD_PROBE_OK;
        }
        const bool unreferenced = UnreferencedPicture({map.data, map.size}, state.format);
        gst_buffer_unmap(buffer, &map);
        if (!unreferenced) {
            return GST_PAD_PROBE_OK;
        }
        skipped.fetch_add(1, std::memory_order_relaxed);
        MarkStartupOnce("video decoder in: first unreferenced catch-up picture skipped");
        GST_LOG_OBJECT(
            pad, "skipped an unreferenced picture at %" GST_TIME_FORMAT " before the place %" GST_TIME_FORMAT,
            GST_TIME_ARGS(GST_BUFFER_PTS(buffer)), GST_TIME_ARGS(state.segment.start));
        return GST_PAD_PROBE_DROP;
    }
    state.Follow(GST_PAD_PROBE_INFO_EVENT(info));
    return GST_PAD_PROBE_OK;
}

} // namespace

CodedStream::CodedStream() {
    gst_segment_init(&segment, GST_FORMAT_UNDEFINED);
}

void CodedStream::Follow(GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        format = CodedFormatOf(caps);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment* given = nullptr;
        gst_event_parse_segment(event, &given);
        gst_segment_copy_into(given, &segment);
        segmentKnown = true;
    }
}

CodedFormat CodedFormatOf(const GstCaps* caps) {
    CodedFormat format;
    const GstStructure* stream = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    if (!stream) {
        return format;
    }
    const char* alignment = gst_structure_get_string(stream, "alignment");
    if (gst_structure_has_name(stream, "video/x-h264")) {
        // Only whole pictures a buffer: a buffer of one NAL unit could drop part of a picture.
        if (alignment && std::strcmp(alignment, "au") != 0) {
            return format;
        }
        const char* packing = gst_structure_get_string(stream, "stream-format");
        if (packing && std::strcmp(packing, "byte-stream") == 0) {
            format.packing = CodedPacking::H264StartCodes;
        } else if (packing && (std::strcmp(packing, "avc") == 0 || std::strcmp(packing, "avc3") == 0)) {
            // The decoder configuration record gives the length's size in its fifth byte.
            const GValue* value = gst_structure_get_value(stream, "codec_data");
            GstBuffer* record =
                value && GST_VALUE_HOLDS_BUFFER(value) ? gst_value_get_buffer(value) : nullptr;
            std::uint8_t fifth = 0;
            if (record && gst_buffer_extract(record, 4, &fifth, 1) == 1 && (fifth & 3) != 2) {
                format.packing = CodedPacking::H264Lengths;
                format.lengthSize = (fifth & 3) + 1;
                // avc3 may change them in the stream, so there they count only when a picture carries them.
                format.parameterSetsInCaps = std::strcmp(packing, "avc") == 0;
            }
        }
        return format;
    }
    return format;
}

bool UnreferencedPicture(std::span<const std::uint8_t> picture, const CodedFormat& format) {
    SliceTally tally;
    return ForEachH264Unit(picture, format, [&](std::uint8_t header) { tally.Add(H264Unit(header)); }) &&
           tally.Unreferenced();
}

bool StartsAfresh(std::span<const std::uint8_t> picture, const CodedFormat& format) {
    bool idr = false;
    bool sequenceSet = false;
    bool pictureSet = false;
    const bool whole = ForEachH264Unit(picture, format, [&](std::uint8_t header) {
        const int type = header & 0x1f;
        idr = idr || type == 5;
        sequenceSet = sequenceSet || type == 7;
        pictureSet = pictureSet || type == 8;
    });
    return whole && idr && (format.parameterSetsInCaps || (sequenceSet && pictureSet));
}

bool EndsBeforeSegment(GstClockTime start, GstClockTime duration, const GstSegment& segment) {
    // Played backwards, the catch-up runs the other way; only forward segments in time are judged.
    if (segment.format != GST_FORMAT_TIME || segment.rate <= 0 || !GST_CLOCK_TIME_IS_VALID(start) ||
        !GST_CLOCK_TIME_IS_VALID(duration) || duration == 0) {
        return false;
    }
    return start + duration <= segment.start;
}

void SkipUnshownUnreferencedPictures(GstPad* decoderInput) {
    gst_pad_add_probe(
        decoderInput,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        OnDecoderInput, new CodedStream, [](gpointer data) { delete static_cast<CodedStream*>(data); });
}

std::uint64_t SkippedCatchUpPictures() {
    return skipped.load(std::memory_order_relaxed);
}
