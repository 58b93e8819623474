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

// An id handed out by an object (a signal handler, a pad probe) that must be given back to it: given
// back when the handle goes or is reset. Release(owner, id) gives it back.
template <typename Owner, void (*Release)(Owner*, gulong)> class ScopedId {
public:
    ScopedId() = default;
    ScopedId(Owner* owner, gulong id) : owner_(Share(owner)), id_(id) {}
    ScopedId(ScopedId&& other) noexcept : owner_(std::move(other.owner_)), id_(std::exchange(other.id_, 0)) {}
    ScopedId& operator=(ScopedId&& other) noexcept {
        if (this != &other) {
            Reset();
            owner_ = std::move(other.owner_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~ScopedId() { Reset(); }

    void Reset() {
        if (owner_ && id_ != 0) {
            Release(owner_.get(), id_);
        }
        owner_.reset();
        id_ = 0;
    }
    Owner* Get() const { return owner_.get(); }

private:
    GstRef<Owner> owner_;
    gulong id_ = 0;
};

inline void DisconnectHandler(GstObject* object, gulong id) {
    g_signal_handler_disconnect(object, id);
}
inline void RemoveProbe(GstPad* pad, gulong id) {
    gst_pad_remove_probe(pad, id);
}

// A signal handler connected to an object, disconnected when the handle goes.
using SignalConnection = ScopedId<GstObject, DisconnectHandler>;
// A probe on a pad, removed when the handle goes.
using PadProbe = ScopedId<GstPad, RemoveProbe>;
