// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <vector>

// Every object a GStreamer iterator walks, gathered before any is looked at, each with a reference of
// its own. When the set changes under the walk (a pad or an element added or removed meanwhile) the
// iterator answers "resync": the walk then starts again, so that nothing is missed or seen twice.
// Takes the iterator over and frees it.
template <typename T> std::vector<GstRef<T>> CollectAll(GstIterator* walk) {
    std::vector<GstRef<T>> items;
    const IteratorRef iterator(walk);
    if (!iterator) {
        return items;
    }
    GValue item = G_VALUE_INIT;
    for (bool done = false; !done;) {
        switch (gst_iterator_next(iterator.get(), &item)) {
        case GST_ITERATOR_OK:
            items.push_back(Share(static_cast<T*>(g_value_get_object(&item))));
            g_value_reset(&item);
            break;
        case GST_ITERATOR_RESYNC:
            items.clear();
            gst_iterator_resync(iterator.get());
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    return items;
}

inline std::vector<PadRef> SinkPadsOf(GstElement* element) {
    return CollectAll<GstPad>(gst_element_iterate_sink_pads(element));
}

inline std::vector<PadRef> SourcePadsOf(GstElement* element) {
    return CollectAll<GstPad>(gst_element_iterate_src_pads(element));
}
