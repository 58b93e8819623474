#pragma once

#include <gst/gst.h>
#include <string>
#include <vector>

// The plugin from the plugins folder beside the test program, loaded once; then the renderer made
// by its factory name as the program makes it. Fails the calling test when the factory is unknown.
void LoadTheDevicePlugin();

// A pipeline under test. Its bus is read only here; waiting keeps errors, warnings and the end of
// the stream and drops the rest.
class DevicePipeline {
public:
    // From gst-launch syntax; the device, when there is one, is the element named "device".
    explicit DevicePipeline(const std::string& description);
    // An empty pipeline, for tests that build it by hand.
    DevicePipeline();
    ~DevicePipeline();
    DevicePipeline(const DevicePipeline&) = delete;
    DevicePipeline& operator=(const DevicePipeline&) = delete;

    GstElement* Get() const { return pipeline_; }
    GstElement* Device() const { return device_; }
    // The named element (a borrowed pointer).
    GstElement* Element(const std::string& name) const;
    void SetDevice(GstElement* device);

    // Sets the state and waits for the end of the state change, or for an error. True when the
    // pipeline got there.
    bool Reach(GstState state, int timeoutMs = 10000);
    // Waits for the end of the stream; false on an error or the deadline.
    bool WaitForEos(int timeoutMs = 20000);
    // Waits for the next ASYNC_DONE (after a flushing seek, say).
    bool WaitForAsyncDone(int timeoutMs = 10000);
    // Waits for the first error (true), skipping everything else, up to the deadline.
    bool WaitForError(int timeoutMs = 10000);

    guint64 VideoFrames() const;
    guint64 AudioSamples() const;

    // The texts of the errors and warnings seen so far, with the element that posted each.
    std::vector<std::string> errors;
    std::vector<std::string> warnings;

private:
    GstMessageType WaitFor(GstMessageType wanted, int timeoutMs);
    void Record(GstMessage* message);
    void Drain();

    GstElement* pipeline_ = nullptr;
    GstElement* device_ = nullptr;
    bool eosSeen_ = false;
};
