// SPDX-License-Identifier: GPL-2.0-or-later
// Where the device renderer's picture goes: given to every device renderer the graph has or gets.

#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"

void GstFilterGraph::SetDeviceScreen(int monitor, bool fullscreen) {
    deviceMonitor_ = monitor;
    deviceFullscreen_ = fullscreen;
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(pipeline_.get()))) {
        PlaceDeviceScreen(element.get());
    }
}

void GstFilterGraph::PlaceDeviceScreen(GstElement* element) const {
    GObjectClass* kind = G_OBJECT_GET_CLASS(element);
    if (g_object_class_find_property(kind, "monitor") && g_object_class_find_property(kind, "fullscreen")) {
        g_object_set(element, "monitor", deviceMonitor_, "fullscreen", deviceFullscreen_ ? TRUE : FALSE,
                     nullptr);
    }
}
