// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>

// What one buffer probe saw: how many buffers (video frames) and how many bytes passed, whether the
// probe met a single buffer or a list. Shared by the standard renderers and the device's renderer,
// which count what reached them the same way. Runs on streaming threads.

inline guint64 BuffersIn(GstPadProbeInfo* info) {
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
        return gst_buffer_list_length(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
    }
    return 1;
}

inline gsize BytesIn(GstPadProbeInfo* info) {
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
        return gst_buffer_list_calculate_size(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
    }
    return gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
}
