#include "device/OutputSinks.h"

namespace {

// Whether the element gets as far as READY on its own. Not yet in a bin, it has no bus, so the
// errors it posts while failing go nowhere.
bool Opens(GstElement* element) {
    bool opened = gst_element_set_state(element, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(element, GST_STATE_NULL);
    return opened;
}

GstElement* MakeOpening(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        return nullptr;
    }
    gst_object_ref_sink(element);
    if (!Opens(element)) {
        gst_object_unref(element);
        return nullptr;
    }
    return element;
}

// Turns the one reference held on a checked element back into a floating one, as freshly made
// elements have.
GstElement* AsFloating(GstElement* element) {
    g_object_force_floating(G_OBJECT(element));
    return element;
}

} // namespace

GstElement* MakeVideoSink() {
    if (GstElement* xv = MakeOpening("xvimagesink")) {
        g_object_set(xv, "force-aspect-ratio", TRUE, nullptr);
        return AsFloating(xv);
    }
    return gst_element_factory_make("ximagesink", nullptr);
}

GstElement* MakeAudioSink(const std::string& device, const std::string& clientName, bool& noServer) {
    noServer = false;
    GstElement* pulse = gst_element_factory_make("pulsesink", nullptr);
    if (pulse) {
        gst_object_ref_sink(pulse);
        g_object_set(pulse, "client-name", clientName.c_str(), nullptr);
        if (!device.empty()) {
            g_object_set(pulse, "device", device.c_str(), nullptr);
        }
        if (Opens(pulse)) {
            return AsFloating(pulse);
        }
        gst_object_unref(pulse);
    }
    noServer = true;
    GstElement* silent = gst_element_factory_make("fakesink", nullptr);
    if (silent) {
        g_object_set(silent, "sync", TRUE, nullptr);
    }
    return silent;
}
