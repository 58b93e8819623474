// What reaches the device through its inputs, with one or both of them linked.

#include "tests/device/DevicePipeline.h"
#include "tests/support/MediaGenerator.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class RendererFlowTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTheDevicePlugin(); }
};

TEST_F(RendererFlowTest, VideoAloneReachesTheEndWithAudioInLeftUnlinked) {
    DevicePipeline pipeline("videotestsrc num-buffers=30 ! video/x-raw,width=160,height=120,framerate=100/1 "
                            "! halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    EXPECT_GE(pipeline.VideoFrames(), 1u); // the preroll frame
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(pipeline.VideoFrames(), 30u);
    EXPECT_EQ(pipeline.AudioSamples(), 0u);
}

TEST_F(RendererFlowTest, AudioAloneReachesTheEndWithVideoInLeftUnlinked) {
    DevicePipeline pipeline(
        "audiotestsrc num-buffers=20 samplesperbuffer=441 "
        "! audio/x-raw,rate=44100,channels=2 ! device.Audio-In halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    // Samples per channel, whatever the sample format.
    EXPECT_EQ(pipeline.AudioSamples(), 20u * 441u);
    EXPECT_EQ(pipeline.VideoFrames(), 0u);
}

// Decoded pads appear while the pipeline prerolls; each is linked to the device's input of its
// kind in pad-added, as the program's graph does.
void LinkByKind(GstElement*, GstPad* pad, gpointer data) {
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    const char* kind = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    const char* input = g_str_has_prefix(kind, "video/") ? "Video-In" : "Audio-In";
    gst_caps_unref(caps);
    GstPad* target = gst_element_get_static_pad(GST_ELEMENT(data), input);
    EXPECT_EQ(gst_pad_link(pad, target), GST_PAD_LINK_OK) << input;
    gst_object_unref(target);
}

TEST_F(RendererFlowTest, AClipPlaysThroughBothInputsToTheEnd) {
    ClipSpec spec;
    spec.extension = ".mp4";
    std::string clip = GenerateClip(spec);
    DevicePipeline pipeline("filesrc name=source ! decodebin name=decoder halvionrenderer name=device");
    g_object_set(pipeline.Element("source"), "location", clip.c_str(), nullptr);
    g_signal_connect(pipeline.Element("decoder"), "pad-added", G_CALLBACK(LinkByKind), pipeline.Device());
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(pipeline.VideoFrames(), 50u);
    // Two seconds at 44.1 kHz; the audio encoder may pad or trim a frame at either end.
    EXPECT_NEAR(static_cast<double>(pipeline.AudioSamples()), 88200.0, 2048.0);
    EXPECT_TRUE(pipeline.errors.empty()) << testing::PrintToString(pipeline.errors);
}

void LinkToConverter(GstElement*, GstPad* pad, gpointer data) {
    GstPad* target = gst_element_get_static_pad(GST_ELEMENT(data), "sink");
    EXPECT_EQ(gst_pad_link(pad, target), GST_PAD_LINK_OK);
    gst_object_unref(target);
}

// The program moves a stopped graph's video from its standard renderer to the device: the old sink
// is taken out, the device linked in its place, and a flushing seek prerolls the device.
TEST_F(RendererFlowTest, TakesOverAStreamFromAnotherSinkWhilePaused) {
    ClipSpec spec;
    spec.audio = false;
    std::string clip = GenerateClip(spec);
    DevicePipeline pipeline("filesrc name=source ! decodebin name=decoder "
                            "videoconvert name=converter ! ximagesink name=old");
    g_object_set(pipeline.Element("source"), "location", clip.c_str(), nullptr);
    g_signal_connect(pipeline.Element("decoder"), "pad-added", G_CALLBACK(LinkToConverter),
                     pipeline.Element("converter"));
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);

    GstElement* old = pipeline.Element("old");
    gst_element_set_locked_state(old, TRUE);
    gst_element_set_state(old, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline.Get()), old);

    GstElement* device = gst_element_factory_make("halvionrenderer", "device");
    ASSERT_NE(device, nullptr);
    pipeline.SetDevice(device);
    gst_bin_add(GST_BIN(pipeline.Get()), device);
    ASSERT_TRUE(gst_element_link_pads(pipeline.Element("converter"), "src", device, "Video-In"));
    gst_element_sync_state_with_parent(device);
    ASSERT_TRUE(
        gst_element_seek_simple(pipeline.Get(), GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0));
    ASSERT_TRUE(pipeline.WaitForAsyncDone()) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(pipeline.VideoFrames(), 1u);

    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    // The preroll frame comes again when playing starts from the preroll position.
    EXPECT_GE(pipeline.VideoFrames(), 50u);
    EXPECT_LE(pipeline.VideoFrames(), 51u);
}

// Emptying the graph removes the device while data waits in its sinks; that must stop them, not
// deadlock on the streaming threads parked in them.
TEST_F(RendererFlowTest, RemovingTheLinkedDeviceFromAPausedPipelineReleasesItsSinks) {
    DevicePipeline pipeline("videotestsrc ! device.Video-In audiotestsrc ! device.Audio-In "
                            "halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 6);
    ASSERT_TRUE(gst_bin_remove(GST_BIN(pipeline.Get()), pipeline.Device()));
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 0);
    EXPECT_EQ(gst_element_set_state(pipeline.Device(), GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    EXPECT_NE(gst_element_set_state(pipeline.Get(), GST_STATE_NULL), GST_STATE_CHANGE_FAILURE);
}

// An output that cannot be opened is the pipeline's error to handle, never the end of the program.
TEST_F(RendererFlowTest, AMissingAudioDeviceIsAnErrorOfTheDevice) {
    DevicePipeline pipeline("audiotestsrc num-buffers=50 ! device.Audio-In halvionrenderer name=device "
                            "audio-device=no-such-output");
    EXPECT_FALSE(pipeline.Reach(GST_STATE_PAUSED, 5000));
    // The device's sound output refuses the stream; the source stops with an error of its own,
    // which may come first.
    auto fromTheSoundOutput = testing::Contains(testing::StartsWith("pulsesink"));
    for (int wait = 0; wait < 5 && !testing::Matches(fromTheSoundOutput)(pipeline.errors); ++wait) {
        pipeline.WaitForError(1000);
    }
    EXPECT_THAT(pipeline.errors, fromTheSoundOutput);
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            had_ = true;
        }
        ::setenv(name, value, 1);
    }
    ~EnvironmentOverride() {
        if (had_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST_F(RendererFlowTest, WithoutAnXServerVideoInIsAnErrorOfTheDevice) {
    EnvironmentOverride display("DISPLAY", ":9999");
    DevicePipeline pipeline("videotestsrc num-buffers=10 ! halvionrenderer name=device");
    pipeline.Reach(GST_STATE_PAUSED, 5000);
    pipeline.WaitForError(2000);
    ASSERT_FALSE(pipeline.errors.empty());
    EXPECT_EQ(pipeline.errors.front(), "device: The device's output window could not be opened.");
}

TEST_F(RendererFlowTest, WithoutASoundServerTheAudioStillRunsToTheEnd) {
    EnvironmentOverride server("PULSE_SERVER", "unix:/nonexistent");
    DevicePipeline pipeline("audiotestsrc num-buffers=10 samplesperbuffer=441 ! device.Audio-In "
                            "halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << testing::PrintToString(pipeline.errors);
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(pipeline.AudioSamples(), 4410u);
    ASSERT_EQ(pipeline.warnings.size(), 1u);
    EXPECT_EQ(pipeline.warnings.front(), "device: No sound server answers; the device plays silently.");
}

} // namespace
