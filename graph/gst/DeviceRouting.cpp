// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/DeviceRouting.h"

#include "graph/gst/GstFilter.h"

void DeviceRouting::Route(GstElement* element) const {
    SendSound(element);
    PlaceScreen(element);
}

void DeviceRouting::SetScreen(GstElement* pipeline, int monitor, bool fullscreen) {
    monitor_ = monitor;
    fullscreen_ = fullscreen;
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(pipeline))) {
        PlaceScreen(element.get());
    }
}

void DeviceRouting::SetSoundOutput(GstElement* pipeline, const std::string& name) {
    soundOutput_ = name;
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(pipeline))) {
        SendSound(element.get());
    }
}

void DeviceRouting::PlaceScreen(GstElement* element) const {
    GObjectClass* kind = G_OBJECT_GET_CLASS(element);
    if (g_object_class_find_property(kind, "monitor") && g_object_class_find_property(kind, "fullscreen")) {
        g_object_set(element, "monitor", monitor_, "fullscreen", fullscreen_ ? TRUE : FALSE, nullptr);
    }
}

void DeviceRouting::SendSound(GstElement* element) const {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "audio-device")) {
        g_object_set(element, "audio-device", soundOutput_.c_str(), nullptr);
    }
}
