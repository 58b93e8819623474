// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>
#include <map>
#include <string>
#include <vector>

// Loads the plugin from the plugins folder beside the test program (once) and checks the factory.
void LoadTheDevicePlugin();

// A pipeline under test, from gst-launch syntax; the device is the element named "device". Its bus
// is read only here: waiting keeps errors, warnings and the end of the stream and drops the rest.
class DevicePipeline {
public:
    explicit DevicePipeline(const std::string& description);
    ~DevicePipeline();
    DevicePipeline(const DevicePipeline&) = delete;
    DevicePipeline& operator=(const DevicePipeline&) = delete;

    GstElement* Get() const { return pipeline_; }
    GstElement* Device() const { return device_; }
    void SetDevice(GstElement* device);
    // A borrowed pointer to the named element.
    GstElement* Element(const std::string& name) const;

    // Sets the state and waits until the pipeline is there; false on failure or the deadline.
    bool Reach(GstState state, int timeoutMs = 10000);
    // Waits for the message (ASYNC_DONE of the pipeline, EOS or ERROR); an error ends any wait.
    bool WaitFor(GstMessageType wanted, int timeoutMs = 20000);

    guint64 Counter(const char* property) const;
    // Frames the elements ahead of the device left out because they were late (their QoS reports):
    // a loaded machine makes a decoder skip frames that then never reach the device at all.
    guint64 DroppedAhead() const;

    std::vector<std::string> errors;   // "element: text"
    std::vector<std::string> warnings; // likewise

private:
    void Take(GstMessage* message);

    GstElement* pipeline_ = nullptr;
    GstElement* device_ = nullptr;
    bool eos_ = false;
    std::map<std::string, guint64> droppedAhead_; // by element: QoS counts are running totals
};
