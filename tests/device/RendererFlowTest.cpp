// SPDX-License-Identifier: GPL-2.0-or-later
// What reaches the device through its inputs, with one or both of them linked.

#include "tests/device/DevicePipeline.h"
#include "tests/support/MediaGenerator.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using testing::PrintToString;

class RendererFlowTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTheDevicePlugin(); }
};

// Plays to the end; the device's (video frames, audio samples) at the end.
std::pair<guint64, guint64> PlayToTheEnd(DevicePipeline& pipeline) {
    EXPECT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
    EXPECT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitFor(GST_MESSAGE_EOS)) << PrintToString(pipeline.errors);
    return {pipeline.Counter("video-frames"), pipeline.Counter("audio-samples")};
}

TEST_F(RendererFlowTest, EitherInputAloneReachesTheEndWithTheOtherUnlinked) {
    DevicePipeline video("videotestsrc num-buffers=30 ! video/x-raw,width=160,height=120,framerate=100/1 "
                         "! halvionrenderer name=device");
    EXPECT_EQ(PlayToTheEnd(video), std::make_pair(guint64{30}, guint64{0}));
    // Samples are counted per channel, whatever the sample format.
    DevicePipeline audio("audiotestsrc num-buffers=20 samplesperbuffer=441 ! audio/x-raw,channels=2 "
                         "! device.Audio-In halvionrenderer name=device");
    EXPECT_EQ(PlayToTheEnd(audio), std::make_pair(guint64{0}, guint64{20 * 441}));
}

// Decoded pads are linked in pad-added, while the pipeline prerolls, as the program's graph does.
void LinkByKind(GstElement*, GstPad* pad, gpointer device) {
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    bool video = g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
    gst_caps_unref(caps);
    GstPad* input = gst_element_get_static_pad(GST_ELEMENT(device), video ? "Video-In" : "Audio-In");
    EXPECT_EQ(gst_pad_link(pad, input), GST_PAD_LINK_OK);
    gst_object_unref(input);
}

TEST_F(RendererFlowTest, AClipPlaysThroughBothInputsToTheEnd) {
    std::string clip = GenerateClip(ClipSpec{});
    DevicePipeline pipeline("filesrc location=\"" + clip +
                            "\" ! decodebin name=decoder halvionrenderer name=device");
    g_signal_connect(pipeline.Element("decoder"), "pad-added", G_CALLBACK(LinkByKind), pipeline.Device());
    auto [frames, samples] = PlayToTheEnd(pipeline);
    EXPECT_EQ(frames + pipeline.DroppedAhead(), 50u) << frames << " arrived";
    // Two seconds at 44.1 kHz; the audio encoder may pad or trim a frame at either end.
    EXPECT_NEAR(static_cast<double>(samples), 88200.0, 2048.0);
    EXPECT_TRUE(pipeline.errors.empty()) << PrintToString(pipeline.errors);
}

// The program moves a stopped graph's video from its standard renderer to the device: the old sink
// is taken out, the device linked in its place, and a flushing seek prerolls the device.
TEST_F(RendererFlowTest, TakesOverAStreamFromAnotherSinkWhilePaused) {
    ClipSpec recipe;
    recipe.audio = false;
    DevicePipeline pipeline("filesrc location=\"" + GenerateClip(recipe) +
                            "\" ! decodebin name=decoder videoconvert name=converter ! ximagesink name=old");
    GstElement* converter = pipeline.Element("converter");
    g_signal_connect(pipeline.Element("decoder"), "pad-added",
                     G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer converter) {
                         gst_element_link_pads(GST_PAD_PARENT(pad), GST_PAD_NAME(pad), GST_ELEMENT(converter),
                                               "sink");
                     }),
                     converter);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);

    GstElement* old = pipeline.Element("old");
    gst_element_set_locked_state(old, TRUE);
    gst_element_set_state(old, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline.Get()), old);
    GstElement* device = gst_element_factory_make("halvionrenderer", "device");
    pipeline.SetDevice(device);
    gst_bin_add(GST_BIN(pipeline.Get()), device);
    ASSERT_TRUE(gst_element_link_pads(converter, "src", device, "Video-In"));
    gst_element_sync_state_with_parent(device);
    ASSERT_TRUE(gst_element_seek_simple(pipeline.Get(), GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0));
    ASSERT_TRUE(pipeline.WaitFor(GST_MESSAGE_ASYNC_DONE)) << PrintToString(pipeline.errors);
    EXPECT_EQ(pipeline.Counter("video-frames"), 1u);

    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitFor(GST_MESSAGE_EOS)) << PrintToString(pipeline.errors);
    // The preroll frame may come again when playing starts.
    const guint64 arrived = pipeline.Counter("video-frames");
    EXPECT_GE(arrived + pipeline.DroppedAhead(), 50u) << arrived << " arrived";
    EXPECT_LE(arrived + pipeline.DroppedAhead(), 51u) << arrived << " arrived";
}

// Emptying the graph removes the device while streaming threads wait in its sinks; that must stop
// them, not deadlock on them.
TEST_F(RendererFlowTest, RemovingTheLinkedDeviceFromAPausedPipelineReleasesItsSinks) {
    DevicePipeline pipeline("videotestsrc ! device.Video-In audiotestsrc ! device.Audio-In "
                            "halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 6);
    ASSERT_TRUE(gst_bin_remove(GST_BIN(pipeline.Get()), pipeline.Device()));
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 0);
    EXPECT_EQ(gst_element_set_state(pipeline.Device(), GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        old_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name, value, 1);
    }
    ~EnvironmentOverride() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(RendererFlowTest, WithoutAnXServerVideoInIsAnErrorOfTheDevice) {
    EnvironmentOverride display("DISPLAY", ":9999");
    DevicePipeline pipeline("videotestsrc num-buffers=10 ! halvionrenderer name=device");
    pipeline.Reach(GST_STATE_PAUSED, 5000);
    ASSERT_FALSE(pipeline.errors.empty());
    EXPECT_EQ(pipeline.errors.front(), "device: The device's output window could not be opened.");
}

TEST_F(RendererFlowTest, WithoutASoundServerTheAudioStillRunsToTheEnd) {
    EnvironmentOverride server("PULSE_SERVER", "unix:/nonexistent");
    DevicePipeline pipeline("audiotestsrc num-buffers=10 samplesperbuffer=441 ! device.Audio-In "
                            "halvionrenderer name=device");
    EXPECT_EQ(PlayToTheEnd(pipeline).second, 4410u);
    EXPECT_EQ(pipeline.warnings,
              std::vector<std::string>{"device: No sound server answers; the device plays silently."});
}

} // namespace
