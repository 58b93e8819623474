// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <gst/gst.h>
#include <mutex>

// A deinterlacer that enters a renderer's bin only when the stream's caps say interlaced: progressive
// video keeps a path with no extra element at all, and a renderer's outside (its pads, its name, the
// graph's filters) does not change either way.
//
// The watch sits on the bin's ghost sink pad. When caps that are not progressive come through, it puts
// a "deinterlace" element between the ghost pad and the element the pad pointed at, on the streaming
// thread that carries those caps, before they go on: the caps then reach the deinterlacer first, and
// the pad's sticky events are sent again down the new link. Once in, it stays until the bin lets it
// go: a stream whose caps turn progressive finds it passing frames through untouched.
//
// The method is yadif, motion-adaptive, at field rate (one picture per field, as a television shows
// interlaced video): on these machines it took about a third of the CPU of greedyh, GStreamer's other
// motion-adaptive method of comparable quality, on 1080i MPEG-2.

namespace deinterlacing {

inline constexpr const char* WatchKey = "tarnwick-deinterlace-watch";

// What one watched pad holds: the deinterlacer once it is in. The lock keeps the streaming thread that
// puts it in and a thread that takes the bin's chain apart from meeting halfway.
struct Watch {
    std::mutex lock;
    GstBin* bin = nullptr; // not owned: the watch lives on the bin's own pad
    ElementRef deinterlacer;
};

inline bool SaysInterlaced(GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0) {
        return false;
    }
    const gchar* mode = gst_structure_get_string(gst_caps_get_structure(caps, 0), "interlace-mode");
    return mode != nullptr && g_strcmp0(mode, "progressive") != 0;
}

inline ElementRef MakeDeinterlacer() {
    ElementRef element = Share(gst_element_factory_make("deinterlace", nullptr));
    if (element) {
        gst_util_set_object_arg(G_OBJECT(element.get()), "method", "yadif");
        gst_util_set_object_arg(G_OBJECT(element.get()), "fields", "all");
    }
    return element;
}

// Runs on a streaming thread, with the caps event not yet passed on.
inline GstPadProbeReturn OnCaps(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    auto& watch = *static_cast<Watch*>(data);
    std::lock_guard guard(watch.lock);
    if (watch.deinterlacer || !SaysInterlaced(caps)) {
        return GST_PAD_PROBE_OK;
    }
    const PadRef next = Adopt(gst_ghost_pad_get_target(GST_GHOST_PAD(pad)));
    ElementRef deinterlacer = MakeDeinterlacer();
    if (!next || !deinterlacer) {
        // Without the element the picture still plays, combed as before.
        return GST_PAD_PROBE_OK;
    }
    gst_bin_add(watch.bin, deinterlacer.get());
    const PadRef output = Adopt(gst_element_get_static_pad(deinterlacer.get(), "src"));
    const PadRef input = Adopt(gst_element_get_static_pad(deinterlacer.get(), "sink"));
    gst_element_sync_state_with_parent(deinterlacer.get());
    gst_ghost_pad_set_target(GST_GHOST_PAD(pad), nullptr);
    if (gst_pad_link(output.get(), next.get()) != GST_PAD_LINK_OK) {
        gst_ghost_pad_set_target(GST_GHOST_PAD(pad), next.get());
        gst_element_set_locked_state(deinterlacer.get(), TRUE);
        gst_element_set_state(deinterlacer.get(), GST_STATE_NULL);
        gst_bin_remove(watch.bin, deinterlacer.get());
        return GST_PAD_PROBE_OK;
    }
    gst_ghost_pad_set_target(GST_GHOST_PAD(pad), input.get());
    watch.deinterlacer = std::move(deinterlacer);
    return GST_PAD_PROBE_OK;
}

} // namespace deinterlacing

// Watches the bin's ghost sink pad for interlaced caps. The pad must point at its first element by
// the time caps come.
inline void DeinterlaceWhenInterlaced(GstBin* bin, GstPad* ghost) {
    auto* watch = new deinterlacing::Watch;
    watch->bin = bin;
    g_object_set_data_full(G_OBJECT(ghost), deinterlacing::WatchKey, watch,
                           [](gpointer data) { delete static_cast<deinterlacing::Watch*>(data); });
    gst_pad_add_probe(ghost, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, deinterlacing::OnCaps, watch, nullptr);
}

// Takes the deinterlacer, if one went in, out of the bin: stopped, unlinked and removed, for a bin that
// takes apart the chain behind the ghost pad. The next interlaced caps put a new one in.
inline void RemoveDeinterlacer(GstPad* ghost) {
    auto* watch =
        static_cast<deinterlacing::Watch*>(g_object_get_data(G_OBJECT(ghost), deinterlacing::WatchKey));
    if (!watch) {
        return;
    }
    std::lock_guard guard(watch->lock);
    if (!watch->deinterlacer) {
        return;
    }
    gst_element_set_locked_state(watch->deinterlacer.get(), TRUE);
    gst_element_set_state(watch->deinterlacer.get(), GST_STATE_NULL);
    gst_bin_remove(watch->bin, watch->deinterlacer.get());
    watch->deinterlacer.reset();
}

// Whether the pad's bin has a deinterlacer in its path now.
inline bool Deinterlacing(GstPad* ghost) {
    auto* watch =
        static_cast<deinterlacing::Watch*>(g_object_get_data(G_OBJECT(ghost), deinterlacing::WatchKey));
    if (!watch) {
        return false;
    }
    std::lock_guard guard(watch->lock);
    return watch->deinterlacer != nullptr;
}
