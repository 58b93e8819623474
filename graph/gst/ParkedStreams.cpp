// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/ParkedStreams.h"

void ParkedStreams::Park(GstPad* pad) {
    std::lock_guard guard(lock_);
    if (parked_.count(pad)) {
        return;
    }
    // Runs on a streaming thread.
    const gulong id = gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_DROP; }, nullptr, nullptr);
    parked_.emplace(pad, PadProbe(pad, id));
}

void ParkedStreams::Unpark(GstPad* pad) {
    std::lock_guard guard(lock_);
    parked_.erase(pad);
}

void ParkedStreams::ReleaseOwnedBy(GstElement* element) {
    std::lock_guard guard(lock_);
    for (auto parked = parked_.begin(); parked != parked_.end();) {
        GstRef<GstElement> owner = Adopt(gst_pad_get_parent_element(parked->second.Get()));
        parked = owner.get() == element ? parked_.erase(parked) : std::next(parked);
    }
}

void ParkedStreams::Clear() {
    std::lock_guard guard(lock_);
    parked_.clear();
}
