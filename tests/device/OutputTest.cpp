// SPDX-License-Identifier: GPL-2.0-or-later
// The device's real outputs: its own window on the X server and its stream on the sound server.

#include "tests/device/DevicePipeline.h"
#include "tests/device/ScreenPixels.h"
#include "tests/support/Poll.h"
#include "tests/support/SoundServer.h"
#include "tests/support/X11Tools.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using testing::PrintToString;

// Polls for up to three seconds: the device's window and its sinks work on threads of their own.
template <typename Probe> auto Eventually(Probe probe) {
    auto result = probe();
    for (int attempt = 0; attempt < 60 && !result; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        result = probe();
    }
    return result;
}

std::optional<ShownWindow> TheOutputWindow() {
    std::vector<ShownWindow> windows = OwnWindowsTitled("Morrick Halvion Output");
    EXPECT_LE(windows.size(), 1u);
    return windows.empty() ? std::nullopt : std::optional(windows.front());
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTheDevicePlugin(); }
};

TEST_F(OutputTest, ShowsThePictureScaledIntoItsOwnWindowUntilTheInputIsUnlinked) {
    DevicePipeline pipeline("videotestsrc pattern=red num-buffers=20 ! video/x-raw,width=320,height=240 "
                            "! halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
    std::optional<ShownWindow> window = Eventually(TheOutputWindow);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width, 720);
    EXPECT_EQ(window->height, 480);
    // 4:3 into a 3:2 window: the full height, a black band at either side.
    EXPECT_TRUE(Eventually([&] { return PixelOf(window->id, 360, 240).IsRed(); }));
    EXPECT_TRUE(PixelOf(window->id, 360, 3).IsRed());
    EXPECT_TRUE(PixelOf(window->id, 8, 240).IsBlack());

    // A window manager's close button neither closes the output nor stops the device.
    RequestClose(window->id);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitFor(GST_MESSAGE_EOS)) << PrintToString(pipeline.errors);
    EXPECT_TRUE(TheOutputWindow());

    GstPad* input = gst_element_get_static_pad(pipeline.Device(), "Video-In");
    GstPad* upstream = gst_pad_get_peer(input);
    EXPECT_TRUE(gst_pad_unlink(upstream, input));
    gst_object_unref(upstream);
    gst_object_unref(input);
    EXPECT_TRUE(Eventually([] { return !TheOutputWindow(); }));
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 0);
    EXPECT_FALSE(GST_OBJECT_FLAG_IS_SET(pipeline.Device(), GST_ELEMENT_FLAG_SINK));
}

TEST_F(OutputTest, FullScreenCoversTheMonitorAndAnAbsentMonitorMeansTheFirst) {
    DevicePipeline pipeline("videotestsrc pattern=red num-buffers=5 ! halvionrenderer name=device "
                            "fullscreen=true monitor=7");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
    std::optional<ShownWindow> window = Eventually(TheOutputWindow);
    ASSERT_TRUE(window);
    ShownWindow screen = RootWindowArea();
    EXPECT_EQ(std::tie(window->x, window->y, window->width, window->height),
              std::tie(screen.x, screen.y, screen.width, screen.height));
    EXPECT_TRUE(Eventually([&] { return PixelOf(window->id, screen.width / 2, screen.height / 2).IsRed(); }));
}

std::string RunCommand(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) {
        output += buffer;
    }
    return output;
}

// The first number of the first line of the short listing whose second field is `field`.
int IndexWhere(const std::string& listing, const std::string& field) {
    std::istringstream lines(RunCommand("pactl list short " + listing));
    std::string line, second;
    int index = -1;
    while (std::getline(lines, line)) {
        if (std::istringstream(line) >> index >> second && second == field) {
            return index;
        }
    }
    return -1;
}

// An output of the server's own for this test, so the streams on it are this test's. It can be taken
// away and brought back, as a TV that is switched off and on again.
class ExtraSink {
public:
    explicit ExtraSink(const std::string& suffix = "")
        : name("halvion_test_" + std::to_string(::getpid()) + suffix) {
        Load();
    }
    ~ExtraSink() { Unload(); }
    void Load() {
        module_ = RunCommand("pactl load-module module-null-sink sink_name=" + name +
                             " sink_properties=device.description=" + name + "_described");
    }
    void Unload() {
        if (!module_.empty()) {
            RunCommand("pactl unload-module " + module_);
            module_.clear();
        }
    }
    const std::string name;

private:
    std::string module_;
};

// The output the device's stream plays on, among those named; empty when on none of them.
std::string DeviceStreamOutput(const std::vector<std::string>& outputs) {
    for (const std::string& output : outputs) {
        for (const std::string& application : StreamsOnOutput("", output)) {
            if (application == "Morrick Halvion Output") {
                return output;
            }
        }
    }
    return "";
}

TEST_F(OutputTest, AudioPlaysOnTheChosenOutputOfTheSoundServer) {
    ExtraSink chosen;
    int sink = IndexWhere("sinks", chosen.name);
    ASSERT_GE(sink, 0);
    DevicePipeline pipeline("audiotestsrc num-buffers=400 ! device.Audio-In halvionrenderer name=device "
                            "audio-device=" +
                            chosen.name);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << PrintToString(pipeline.errors);
    EXPECT_TRUE(Eventually([&] { return IndexWhere("sink-inputs", std::to_string(sink)) >= 0; }));
    EXPECT_GT(pipeline.Counter("audio-samples"), 0u);
}

// The stream follows the choice while it plays, without the pipeline being built again, and follows
// the chosen output as it goes and comes back: each step, then the output the stream must be on.
TEST_F(OutputTest, TheSoundFollowsTheChoiceAndTheChosenOutputComingAndGoing) {
    ExtraSink first("_a");
    ExtraSink second("_b");
    const std::vector<std::string> outputs{"null", first.name, second.name};
    DevicePipeline pipeline("audiotestsrc is-live=true ! device.Audio-In halvionrenderer name=device "
                            "audio-device=" +
                            first.name);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << PrintToString(pipeline.errors);
    const auto choose = [&](const std::string& output) {
        g_object_set(pipeline.Device(), "audio-device", output.c_str(), nullptr);
    };
    // A choice moves the stream within half a second; the server itself moves it off an output that
    // goes, and the device back onto one that comes.
    struct Step {
        const char* what;
        std::function<void()> act;
        std::string on;
        bool chosen;
    };
    const Step steps[] = {
        {"the chosen output at the start", [] {}, first.name, false},
        {"another chosen while playing", [&] { choose(second.name); }, second.name, true},
        {"the server's default chosen", [&] { choose(""); }, "null", true},
        {"the first chosen again", [&] { choose(first.name); }, first.name, true},
        {"the chosen output gone", [&] { first.Unload(); }, "null", false},
        {"the chosen output back", [&] { first.Load(); }, first.name, false},
        {"an absent output chosen", [&] { choose("halvion_test_absent"); }, "null", true},
    };
    for (const Step& step : steps) {
        step.act();
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(
            PollUntil([&] { return DeviceStreamOutput(outputs) == step.on; }, std::chrono::seconds(3)))
            << step.what << ": the stream is on \"" << DeviceStreamOutput(outputs) << "\"";
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
        std::printf("%s: on %s after %lld ms\n", step.what, step.on.c_str(),
                    static_cast<long long>(took.count()));
        if (step.chosen) {
            EXPECT_LE(took, std::chrono::milliseconds(500)) << step.what;
        }
    }
    // Nothing of this is a failure of the device's.
    pipeline.WaitFor(GST_MESSAGE_EOS, 100);
    EXPECT_TRUE(pipeline.errors.empty()) << PrintToString(pipeline.errors);
    EXPECT_TRUE(pipeline.warnings.empty()) << PrintToString(pipeline.warnings);
}

} // namespace
