#pragma once

#include <gst/gst.h>
#include <memory>
#include <utility>

// Owning handles for GStreamer references, so that no logic pairs a ref with an unref by hand.

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GstMessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};

template <typename T> using GstRef = std::unique_ptr<T, GstObjectUnref>;
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;
using MessageRef = std::unique_ptr<GstMessage, GstMessageUnref>;

// Takes over a reference the caller already owns (the result of gst_element_get_static_pad, ...).
template <typename T> GstRef<T> Adopt(T* object) {
    return GstRef<T>(object);
}

// Adds a reference of its own; a floating object is sunk, as every keeper of an element must.
template <typename T> GstRef<T> Share(T* object) {
    return GstRef<T>(object ? static_cast<T*>(gst_object_ref_sink(object)) : nullptr);
}

// A counted element reference as the graph's filters and pins hold it.
using ElementRef = GstRef<GstElement>;
using PadRef = GstRef<GstPad>;
