// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/OutputSinks.h"

namespace {

// Whether the element gets as far as READY on its own. Not yet in a bin, it has no bus, so the
// errors it posts while failing go nowhere.
bool Opens(GstElement* element) {
    bool opened = gst_element_set_state(element, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(element, GST_STATE_NULL);
    return opened;
}

ElementRef Make(const char* factory) {
    return Share(gst_element_factory_make(factory, nullptr));
}

} // namespace

ElementRef MakeVideoSink() {
    if (ElementRef xv = Make("xvimagesink"); xv && Opens(xv.get())) {
        g_object_set(xv.get(), "force-aspect-ratio", TRUE, nullptr);
        return xv;
    }
    return Make("ximagesink");
}

ElementRef MakeAudioSink(const std::string& device, const std::string& clientName, bool& noServer) {
    noServer = false;
    if (ElementRef pulse = Make("pulsesink")) {
        g_object_set(pulse.get(), "client-name", clientName.c_str(), nullptr);
        if (!device.empty()) {
            g_object_set(pulse.get(), "device", device.c_str(), nullptr);
        }
        if (Opens(pulse.get())) {
            return pulse;
        }
    }
    noServer = true;
    ElementRef silent = Make("fakesink");
    if (silent) {
        g_object_set(silent.get(), "sync", TRUE, nullptr);
    }
    return silent;
}
