// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/SoundVolume.h"

#include "gstcommon/GstIteration.h"

#include <algorithm>
#include <gst/audio/streamvolume.h>

namespace {

std::vector<GstRef<GstElement>> StreamsIn(GstElement* renderer) {
    if (renderer == nullptr || !GST_IS_BIN(renderer)) {
        return {};
    }
    return CollectAll<GstElement>(
        gst_bin_iterate_all_by_interface(GST_BIN(renderer), GST_TYPE_STREAM_VOLUME));
}

} // namespace

void SoundVolume::Set(GstElement* renderer, double volume) {
    volume = std::clamp(volume, 0.0, 1.0);
    value_ = volume;
    set_ = true;
    for (const auto& stream : StreamsIn(renderer)) {
        gst_stream_volume_set_volume(GST_STREAM_VOLUME(stream.get()), GST_STREAM_VOLUME_FORMAT_CUBIC, volume);
    }
}

double SoundVolume::Get(GstElement* renderer) const {
    const auto streams = StreamsIn(renderer);
    if (!streams.empty()) {
        return gst_stream_volume_get_volume(GST_STREAM_VOLUME(streams.front().get()),
                                            GST_STREAM_VOLUME_FORMAT_CUBIC);
    }
    return value_;
}

void SoundVolume::Follow(GstElement* renderer) {
    g_signal_connect(renderer, "deep-element-added", G_CALLBACK(&SoundVolume::OnElementAdded), this);
}

// Runs on whichever thread starts the renderer (a streaming thread, or the user-interface thread).
void SoundVolume::OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self) {
    const auto& volume = *static_cast<const SoundVolume*>(self);
    if (volume.set_ && GST_IS_STREAM_VOLUME(element)) {
        gst_stream_volume_set_volume(GST_STREAM_VOLUME(element), GST_STREAM_VOLUME_FORMAT_CUBIC,
                                     volume.value_);
    }
}
