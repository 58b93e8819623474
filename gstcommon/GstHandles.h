// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>
#include <memory>
#include <utility>

// Owning handles for GStreamer and GLib references, so that no logic pairs a ref with an unref, or an
// allocation with a free, by hand.

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GstMessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
struct GstEventUnref {
    void operator()(GstEvent* event) const { gst_event_unref(event); }
};
struct GstSampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
struct GstIteratorFree {
    void operator()(GstIterator* iterator) const { gst_iterator_free(iterator); }
};
struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GstStructureFree {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};
struct GstObjectListFree {
    void operator()(GList* objects) const { g_list_free_full(objects, gst_object_unref); }
};
struct GstPluginFeatureListFree {
    void operator()(GList* features) const { gst_plugin_feature_list_free(features); }
};

template <typename T> using GstRef = std::unique_ptr<T, GstObjectUnref>;
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;
using MessageRef = std::unique_ptr<GstMessage, GstMessageUnref>;
using EventRef = std::unique_ptr<GstEvent, GstEventUnref>;
using SampleRef = std::unique_ptr<GstSample, GstSampleUnref>;
using IteratorRef = std::unique_ptr<GstIterator, GstIteratorFree>;
// An error a GStreamer or GLib call reported through a GError**; pass OutParam(error).
using ErrorRef = std::unique_ptr<GError, GErrorFree>;
// A string GLib allocated for the caller (gst_object_get_name, g_strdup_printf, ...).
using GStringRef = std::unique_ptr<gchar, GFree>;
using StructureRef = std::unique_ptr<GstStructure, GstStructureFree>;
// A list of objects each with a reference of its own (gst_device_monitor_get_devices).
using ObjectListRef = std::unique_ptr<GList, GstObjectListFree>;
// A list of plugin features, each with a reference of its own, as the registry hands it out.
using FeatureListRef = std::unique_ptr<GList, GstPluginFeatureListFree>;

// Fills a handle through a C function's out-parameter: Parse(message, OutParam(error)). Whatever the
// handle held before is released.
template <typename T, typename Deleter> class OutParamOf {
public:
    explicit OutParamOf(std::unique_ptr<T, Deleter>& handle) : handle_(handle) {}
    ~OutParamOf() { handle_.reset(raw_); }
    OutParamOf(const OutParamOf&) = delete;
    OutParamOf& operator=(const OutParamOf&) = delete;
    operator T**() { return &raw_; }

private:
    std::unique_ptr<T, Deleter>& handle_;
    T* raw_ = nullptr;
};
template <typename T, typename Deleter> OutParamOf<T, Deleter> OutParam(std::unique_ptr<T, Deleter>& handle) {
    return OutParamOf<T, Deleter>(handle);
}

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
