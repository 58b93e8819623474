// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/CatchUpThreads.h"

#include "core/StartupMarks.h"
#include "graph/gst/CatchUpSkipping.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <utility>

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

constexpr const char* CatchUpField = "tarnwick-catch-up";
constexpr const char* ThreadsProperty = "max-threads";
// Two: the catch-up is a second or two of frames, and every thread more holds frames of its own.
constexpr int CatchUpThreadCount = 2;

std::atomic<std::uint64_t> raised{0};
std::atomic<std::uint64_t> returned{0};

struct CatchUpThreadsState {
    CodedStream stream;
    // The caps the stream came with, which the decoder is reopened with after a catch-up.
    CapsRef caps;
    // The place the stream is to be sought to, until the seek's flush comes.
    GstClockTime positionAhead = GST_CLOCK_TIME_NONE;
    // Nothing has reached the decoder since it was flushed (or started): it holds no picture.
    bool emptied = true;
    bool pictureSeen = false;
    bool catchingUp = false;
    int reopenings = 0;
};

int DecoderThreads(GstElement* decoder) {
    int threads = 0;
    g_object_get(decoder, ThreadsProperty, &threads, nullptr);
    return threads;
}

// Reopens the decoder, before the picture on its way, with the threads given. The caps the stream
// came with are sent again, marked with a count of the reopenings so that they always differ from
// the decoder's last: avdec opens its codec again only for caps that differ.
void Reopen(GstPad* pad, CatchUpThreadsState& state, int threads) {
    if (const ElementRef decoder = Adopt(gst_pad_get_parent_element(pad))) {
        g_object_set(decoder.get(), ThreadsProperty, threads, nullptr);
    }
    GstCaps* caps = gst_caps_copy(state.caps.get());
    gst_caps_set_simple(caps, CatchUpField, G_TYPE_INT, ++state.reopenings, nullptr);
    gst_pad_send_event(pad, gst_event_new_caps(caps));
    gst_caps_unref(caps);
}

void OnPicture(GstPad* pad, GstBuffer* buffer, CatchUpThreadsState& state) {
    const bool emptied = std::exchange(state.emptied, false);
    state.pictureSeen = true;
    if (state.stream.format.packing == CodedPacking::Unknown || !state.stream.segmentKnown || !state.caps) {
        return;
    }
    GstSegment place = state.stream.segment;
    if (GST_CLOCK_TIME_IS_VALID(state.positionAhead) && state.positionAhead > place.start) {
        place.start = state.positionAhead;
    }
    const bool beforePlace = EndsBeforeSegment(GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer), place);
    // A catch-up is known by its first picture, which starts before the place; without a place
    // further on, there is nothing to wait for.
    if (!state.catchingUp && !(emptied && beforePlace)) {
        return;
    }
    if (state.catchingUp && beforePlace) {
        return;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return;
    }
    const bool afresh = StartsAfresh({map.data, map.size}, state.stream.format);
    gst_buffer_unmap(buffer, &map);
    if (!afresh) {
        return;
    }
    if (!state.catchingUp) {
        const ElementRef decoder = Adopt(gst_pad_get_parent_element(pad));
        if (!decoder || DecoderThreads(decoder.get()) != 1) {
            return;
        }
        state.catchingUp = true;
        raised.fetch_add(1, std::memory_order_relaxed);
        MarkStartupOnce("video decoder in: catch-up on two threads");
        GST_DEBUG_OBJECT(pad, "a catch-up from %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT " on two threads",
                         GST_TIME_ARGS(GST_BUFFER_PTS(buffer)), GST_TIME_ARGS(state.stream.segment.start));
        Reopen(pad, state, CatchUpThreadCount);
        return;
    }
    state.catchingUp = false;
    const ElementRef decoder = Adopt(gst_pad_get_parent_element(pad));
    if (!decoder || DecoderThreads(decoder.get()) != CatchUpThreadCount) {
        return;
    }
    returned.fetch_add(1, std::memory_order_relaxed);
    GST_DEBUG_OBJECT(pad, "back to one thread at %" GST_TIME_FORMAT, GST_TIME_ARGS(GST_BUFFER_PTS(buffer)));
    Reopen(pad, state, 1);
}

// Runs on the decoder input's streaming thread, and on the thread that flushes it.
GstPadProbeReturn OnDecoderInput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& state = *static_cast<CatchUpThreadsState*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        OnPicture(pad, GST_PAD_PROBE_INFO_BUFFER(info), state);
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
        state.emptied = true;
        state.positionAhead = GST_CLOCK_TIME_NONE;
        break;
    case GST_EVENT_CAPS: {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        if (caps && !CatchUpCaps(caps)) {
            // New caps from upstream reopen the decoder as set up for the stream alone; those before
            // its first picture open it for the place ahead, if there is one and it can be taken back
            // to one thread past it.
            state.caps = CapsRef(gst_caps_ref(caps));
            state.stream.Follow(event);
            const ElementRef decoder = Adopt(gst_pad_get_parent_element(pad));
            state.catchingUp = GST_CLOCK_TIME_IS_VALID(state.positionAhead) && !state.pictureSeen &&
                               state.stream.format.packing != CodedPacking::Unknown && decoder &&
                               DecoderThreads(decoder.get()) == 1;
            if (state.catchingUp) {
                g_object_set(decoder.get(), ThreadsProperty, CatchUpThreadCount, nullptr);
                MarkStartupOnce("video decoder in: two threads for the place ahead");
            }
        }
        break;
    }
    case GST_EVENT_SEGMENT:
        state.stream.Follow(event);
        break;
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

} // namespace

void DecodeCatchUpsOnBothCores(GstPad* decoderInput, GstClockTime positionAhead) {
    auto* state = new CatchUpThreadsState{};
    state->positionAhead = positionAhead;
    gst_pad_add_probe(
        decoderInput,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                     GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        OnDecoderInput, state, [](gpointer data) { delete static_cast<CatchUpThreadsState*>(data); });
}

bool CatchUpCaps(const GstCaps* caps) {
    const GstStructure* stream = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    return stream && gst_structure_has_field(stream, CatchUpField);
}

CatchUpThreadCounts CatchUpThreadSwitches() {
    return {raised.load(std::memory_order_relaxed), returned.load(std::memory_order_relaxed)};
}
