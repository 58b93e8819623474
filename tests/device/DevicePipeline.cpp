#include "tests/device/DevicePipeline.h"

#include "device/DevicePlugins.h"

#include <gtest/gtest.h>

void LoadTheDevicePlugin() {
    gst_init(nullptr, nullptr);
    static const int loaded = LoadDevicePlugins();
    ASSERT_GE(loaded, 1) << "no plugin in " << DevicePluginFolder();
    GstElementFactory* factory = gst_element_factory_find("halvionrenderer");
    ASSERT_NE(factory, nullptr);
    gst_object_unref(factory);
}

DevicePipeline::DevicePipeline(const std::string& description) {
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error) {
        ADD_FAILURE() << description << ": " << error->message;
        g_clear_error(&error);
    }
    if (pipeline_) {
        gst_object_ref_sink(pipeline_);
        device_ = gst_bin_get_by_name(GST_BIN(pipeline_), "device");
    }
}

DevicePipeline::DevicePipeline() : pipeline_(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr)))) {}

DevicePipeline::~DevicePipeline() {
    if (device_) {
        gst_object_unref(device_);
    }
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
}

GstElement* DevicePipeline::Element(const std::string& name) const {
    GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline_), name.c_str());
    if (element) {
        gst_object_unref(element); // the pipeline keeps it
    }
    return element;
}

void DevicePipeline::SetDevice(GstElement* device) {
    if (device_) {
        gst_object_unref(device_);
    }
    device_ = GST_ELEMENT(gst_object_ref(device));
}

void DevicePipeline::Record(GstMessage* message) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        eosSeen_ = true;
        return;
    }
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        gst_message_parse_error(message, &error, &debug);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) {
        gst_message_parse_warning(message, &error, &debug);
    } else {
        return;
    }
    std::string text = std::string(GST_OBJECT_NAME(GST_MESSAGE_SRC(message))) + ": " + error->message;
    (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ? errors : warnings).push_back(text);
    g_clear_error(&error);
    g_free(debug);
}

void DevicePipeline::Drain() {
    GstBus* bus = gst_element_get_bus(pipeline_);
    while (GstMessage* message = gst_bus_pop(bus)) {
        Record(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

GstMessageType DevicePipeline::WaitFor(GstMessageType wanted, int timeoutMs) {
    if ((wanted & GST_MESSAGE_EOS) && eosSeen_) {
        return GST_MESSAGE_EOS;
    }
    GstBus* bus = gst_element_get_bus(pipeline_);
    gint64 deadline = g_get_monotonic_time() + gint64{timeoutMs} * 1000;
    GstMessageType ended = GST_MESSAGE_UNKNOWN;
    while (ended == GST_MESSAGE_UNKNOWN) {
        gint64 left = deadline - g_get_monotonic_time();
        if (left <= 0) {
            break;
        }
        GstMessage* message = gst_bus_timed_pop(bus, static_cast<GstClockTime>(left) * 1000);
        if (!message) {
            break;
        }
        Record(message);
        GstMessageType type = GST_MESSAGE_TYPE(message);
        if ((type & wanted) &&
            (type != GST_MESSAGE_ASYNC_DONE || GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_))) {
            ended = type;
        } else if (type == GST_MESSAGE_ERROR) {
            ended = type;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return ended;
}

bool DevicePipeline::Reach(GstState state, int timeoutMs) {
    GstStateChangeReturn result = gst_element_set_state(pipeline_, state);
    GstState current = GST_STATE_VOID_PENDING;
    if (result != GST_STATE_CHANGE_FAILURE) {
        result = gst_element_get_state(pipeline_, &current, nullptr, GstClockTime{GST_MSECOND} * timeoutMs);
    }
    // Takes the state change's own messages off the bus, so that a later wait for ASYNC_DONE waits
    // for a new one; keeps what tells the test why a state was not reached.
    Drain();
    return result != GST_STATE_CHANGE_FAILURE && result != GST_STATE_CHANGE_ASYNC && current == state;
}

bool DevicePipeline::WaitForEos(int timeoutMs) {
    return WaitFor(GST_MESSAGE_EOS, timeoutMs) == GST_MESSAGE_EOS;
}

bool DevicePipeline::WaitForAsyncDone(int timeoutMs) {
    return WaitFor(GST_MESSAGE_ASYNC_DONE, timeoutMs) == GST_MESSAGE_ASYNC_DONE;
}

bool DevicePipeline::WaitForError(int timeoutMs) {
    return WaitFor(GST_MESSAGE_ERROR, timeoutMs) == GST_MESSAGE_ERROR;
}

guint64 DevicePipeline::VideoFrames() const {
    guint64 frames = 0;
    g_object_get(device_, "video-frames", &frames, nullptr);
    return frames;
}

guint64 DevicePipeline::AudioSamples() const {
    guint64 samples = 0;
    g_object_get(device_, "audio-samples", &samples, nullptr);
    return samples;
}
