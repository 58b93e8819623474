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

// A signal handler connected to an object, disconnected when the handle goes or is reset.
class SignalConnection {
public:
    SignalConnection() = default;
    SignalConnection(gpointer instance, gulong id) : instance_(Share(GST_OBJECT(instance))), id_(id) {}
    SignalConnection(SignalConnection&& other) noexcept
        : instance_(std::move(other.instance_)), id_(std::exchange(other.id_, 0)) {}
    SignalConnection& operator=(SignalConnection&& other) noexcept {
        if (this != &other) {
            Reset();
            instance_ = std::move(other.instance_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~SignalConnection() { Reset(); }

    void Reset() {
        if (instance_ && id_ != 0) {
            g_signal_handler_disconnect(instance_.get(), id_);
        }
        instance_.reset();
        id_ = 0;
    }
    GstObject* Instance() const { return instance_.get(); }

private:
    GstRef<GstObject> instance_;
    gulong id_ = 0;
};

// A probe on a pad, removed when the handle goes or is reset.
class PadProbe {
public:
    PadProbe() = default;
    PadProbe(GstPad* pad, gulong id) : pad_(Share(pad)), id_(id) {}
    PadProbe(PadProbe&& other) noexcept : pad_(std::move(other.pad_)), id_(std::exchange(other.id_, 0)) {}
    PadProbe& operator=(PadProbe&& other) noexcept {
        if (this != &other) {
            Reset();
            pad_ = std::move(other.pad_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~PadProbe() { Reset(); }

    void Reset() {
        if (pad_ && id_ != 0) {
            gst_pad_remove_probe(pad_.get(), id_);
        }
        pad_.reset();
        id_ = 0;
    }
    GstPad* Pad() const { return pad_.get(); }

private:
    PadRef pad_;
    gulong id_ = 0;
};
