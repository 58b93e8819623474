// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/device/DevicePipeline.h"

#include "graph/gst/PluginFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

void LoadTheDevicePlugin() {
    gst_init(nullptr, nullptr);
    static const int loaded = LoadPluginsFrom(PluginFolderBesideExecutable());
    ASSERT_GE(loaded, 1) << "no plugin in " << PluginFolderBesideExecutable();
}

DevicePipeline::DevicePipeline(const std::string& description) {
    GError* error = nullptr;
    pipeline_ = GST_ELEMENT(gst_object_ref_sink(gst_parse_launch(description.c_str(), &error)));
    EXPECT_EQ(error, nullptr) << description << ": " << error->message;
    g_clear_error(&error);
    device_ = gst_bin_get_by_name(GST_BIN(pipeline_), "device");
}

DevicePipeline::~DevicePipeline() {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_clear_object(&device_);
    gst_object_unref(pipeline_);
}

void DevicePipeline::SetDevice(GstElement* device) {
    gst_clear_object(&device_);
    device_ = GST_ELEMENT(gst_object_ref(device));
}

GstElement* DevicePipeline::Element(const std::string& name) const {
    GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline_), name.c_str());
    gst_object_unref(element); // the pipeline keeps it
    return element;
}

void DevicePipeline::Take(GstMessage* message) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    GstMessageType type = GST_MESSAGE_TYPE(message);
    eos_ = eos_ || type == GST_MESSAGE_EOS;
    if (type == GST_MESSAGE_QOS && device_ &&
        !gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(device_))) {
        GstFormat format = GST_FORMAT_UNDEFINED;
        guint64 processed = 0, dropped = 0;
        gst_message_parse_qos_stats(message, &format, &processed, &dropped);
        if (format == GST_FORMAT_BUFFERS || format == GST_FORMAT_DEFAULT) {
            guint64& most = droppedAhead_[GST_OBJECT_NAME(GST_MESSAGE_SRC(message))];
            most = std::max(most, dropped);
        }
    }
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_WARNING) {
        (type == GST_MESSAGE_ERROR ? gst_message_parse_error : gst_message_parse_warning)(message, &error,
                                                                                          &debug);
        (type == GST_MESSAGE_ERROR ? errors : warnings)
            .push_back(std::string(GST_OBJECT_NAME(GST_MESSAGE_SRC(message))) + ": " + error->message);
        g_clear_error(&error);
        g_free(debug);
    }
}

bool DevicePipeline::Reach(GstState state, int timeoutMs) {
    GstStateChangeReturn result = gst_element_set_state(pipeline_, state);
    GstState current = GST_STATE_VOID_PENDING;
    if (result != GST_STATE_CHANGE_FAILURE) {
        result = gst_element_get_state(pipeline_, &current, nullptr, GstClockTime{GST_MSECOND} * timeoutMs);
    }
    // Takes the state change's own messages off the bus, so that a later wait waits for new ones.
    GstBus* bus = gst_element_get_bus(pipeline_);
    while (GstMessage* message = gst_bus_pop(bus)) {
        Take(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return result != GST_STATE_CHANGE_FAILURE && result != GST_STATE_CHANGE_ASYNC && current == state;
}

bool DevicePipeline::WaitFor(GstMessageType wanted, int timeoutMs) {
    if (wanted == GST_MESSAGE_EOS && eos_) {
        return true;
    }
    GstBus* bus = gst_element_get_bus(pipeline_);
    gint64 deadline = g_get_monotonic_time() + gint64{timeoutMs} * 1000;
    bool found = false;
    bool failed = false;
    while (!found && !failed && g_get_monotonic_time() < deadline) {
        GstMessage* message = gst_bus_timed_pop(bus, GST_USECOND * (deadline - g_get_monotonic_time()));
        if (!message) {
            break;
        }
        Take(message);
        GstMessageType type = GST_MESSAGE_TYPE(message);
        found = type == wanted &&
                (type != GST_MESSAGE_ASYNC_DONE || GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_));
        failed = type == GST_MESSAGE_ERROR;
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return found;
}

guint64 DevicePipeline::DroppedAhead() const {
    guint64 total = 0;
    for (const auto& [element, dropped] : droppedAhead_) {
        total += dropped;
    }
    return total;
}

guint64 DevicePipeline::Counter(const char* property) const {
    guint64 count = 0;
    g_object_get(device_, property, &count, nullptr);
    return count;
}
