// SPDX-License-Identifier: GPL-2.0-or-later
// The device's real outputs: its own window on the X server and its stream on the sound server.

#include "gstcommon/GstIteration.h"
#include "tests/device/AnnouncingOutputs.h"
#include "tests/device/DevicePipeline.h"
#include "tests/device/ScreenPixels.h"
#include "tests/reliability/HangGuard.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/Poll.h"
#include "tests/support/SoundServer.h"
#include "tests/support/SwaySession.h"
#include "tests/support/WaylandSession.h"
#include "tests/support/X11Tools.h"

#include <atomic>
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

// A monitor the server no longer lists (unplugged since the placement was worked out) must not turn
// into a full screen over the first, which may be the player's own: it gives a window there.
TEST_F(OutputTest, FullScreenCoversTheMonitorAndAnAbsentMonitorGivesAWindow) {
    const ShownWindow screen = RootWindowArea();
    struct Row {
        int monitor;
        int width, height;
    };
    for (const Row& row : {Row{0, screen.width, screen.height}, Row{7, 720, 480}}) {
        SCOPED_TRACE(row.monitor);
        DevicePipeline pipeline("videotestsrc pattern=red num-buffers=5 ! halvionrenderer name=device "
                                "fullscreen=true monitor=" +
                                std::to_string(row.monitor));
        ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
        std::optional<ShownWindow> window = Eventually(TheOutputWindow);
        ASSERT_TRUE(window);
        EXPECT_EQ(std::tie(window->width, window->height), std::tie(row.width, row.height));
        if (row.monitor == 0) {
            EXPECT_EQ(std::tie(window->x, window->y), std::tie(screen.x, screen.y));
        }
        EXPECT_TRUE(Eventually([&] { return PixelOf(window->id, row.width / 2, row.height / 2).IsRed(); }));
    }
}

// Moving the window is the element's work: a new placement takes effect on a picture already shown,
// not at the next link, and the sink goes on drawing into the window that moved.
TEST_F(OutputTest, ANewPlacementMovesAWindowAlreadyShowingAtOnce) {
    DevicePipeline pipeline("videotestsrc pattern=red is-live=true ! video/x-raw,width=320,height=240 "
                            "! halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << PrintToString(pipeline.errors);
    ASSERT_TRUE(Eventually(TheOutputWindow));
    const ShownWindow screen = RootWindowArea();
    struct Step {
        bool fullscreen;
        int width, height;
    };
    for (const Step& step : {Step{true, screen.width, screen.height}, Step{false, 720, 480}}) {
        SCOPED_TRACE(step.fullscreen ? "full screen" : "window");
        g_object_set(pipeline.Device(), "fullscreen", step.fullscreen, nullptr);
        std::optional<ShownWindow> window;
        ASSERT_TRUE(PollUntil(
            [&] {
                window = TheOutputWindow();
                return window && window->width == step.width && window->height == step.height;
            },
            std::chrono::seconds(5)));
        if (step.fullscreen) {
            // No window manager frames or places it.
            EXPECT_EQ(std::tie(window->x, window->y), std::tie(screen.x, screen.y));
        }
        EXPECT_TRUE(PollUntil([&] { return PixelOf(window->id, step.width / 2, step.height / 2).IsRed(); },
                              std::chrono::seconds(5)));
    }
    // The monitor and full screen set in one call: one window, full screen at once (no window
    // manager frames it, so nothing else is made), not a window on the way.
    g_object_set(pipeline.Device(), "monitor", 7, "fullscreen", FALSE, nullptr);
    ASSERT_TRUE(PollUntil([] { return TheOutputWindow() && TheOutputWindow()->width == 720; },
                          std::chrono::seconds(5)));
    const int made =
        WindowsMadeDuring([&] { g_object_set(pipeline.Device(), "monitor", 0, "fullscreen", TRUE, nullptr); },
                          [&] { return TheOutputWindow() && TheOutputWindow()->width == screen.width; });
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(pipeline.errors.empty()) << PrintToString(pipeline.errors);
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

// The report's setting: sway with a 1280×720 output and a 1920×1080 one to its right, which X
// programs see as two monitors. sway tiles X windows on the focused output whatever they ask for; the
// full-screen picture must still cover the second output exactly, move at once when told, and reach
// an output added while it plays.
TEST_F(OutputTest, UnderSwayTheFullScreenPictureCoversTheChosenOutputAndFollowsANewOne) {
    SwaySession sway({{1280, 720}, {1920, 1080}});
    ScopedVariable display("DISPLAY", sway.XDisplay().c_str());
    DevicePipeline pipeline("videotestsrc pattern=red is-live=true ! video/x-raw,width=320,height=240 "
                            "! halvionrenderer name=device monitor=1 fullscreen=true");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << PrintToString(pipeline.errors);
    auto coversOutput = [&](const char* output, int x, int width, int height) {
        std::optional<ShownWindow> window;
        EXPECT_TRUE(PollUntil(
            [&] {
                window = TheOutputWindow();
                return window && window->x == x && window->y == 0 && window->width == width &&
                       window->height == height;
            },
            std::chrono::seconds(10)))
            << output << ": " << (window ? window->x : -1) << "," << (window ? window->y : -1) << " "
            << (window ? window->width : -1) << "x" << (window ? window->height : -1);
        // What the compositor shows on that output, not only where X says the window is.
        const std::string shot = std::string(TARNWICK_ARTIFACT_DIR) + "/sway-" + output + ".ppm";
        EXPECT_TRUE(PollUntil(
            [&] {
                std::vector<unsigned long> pixels;
                int shotWidth = 0, shotHeight = 0;
                return sway.Screenshot(output, shot, pixels, shotWidth, shotHeight) && shotWidth == width &&
                       pixels[static_cast<size_t>(shotHeight / 2) * shotWidth + shotWidth / 2] == 0xff0000u &&
                       pixels[static_cast<size_t>(shotHeight / 2) * shotWidth + 5] == 0 &&
                       pixels[5 * static_cast<size_t>(shotWidth) + shotWidth / 2] == 0xff0000u;
            },
            std::chrono::seconds(10)))
            << output << ": see " << shot;
    };
    coversOutput("HEADLESS-2", 1280, 1920, 1080);
    g_object_set(pipeline.Device(), "monitor", 0, nullptr);
    coversOutput("HEADLESS-1", 0, 1280, 720);
    ASSERT_TRUE(sway.CreateOutput());
    // The program gives the element the new monitor's index once the X server lists it.
    ASSERT_TRUE(PollUntil([] { return RunCommand("xrandr --listmonitors").rfind("Monitors: 3", 0) == 0; },
                          std::chrono::seconds(10)));
    g_object_set(pipeline.Device(), "monitor", 2, nullptr);
    coversOutput("HEADLESS-3", 3200, 1920, 1080);
    EXPECT_TRUE(pipeline.errors.empty()) << PrintToString(pipeline.errors);
}

int ChildrenMadeBy(GstElement* bin, const char* factory) {
    int count = 0;
    for (const ElementRef& child : CollectAll<GstElement>(gst_bin_iterate_elements(GST_BIN(bin)))) {
        GstElementFactory* made = gst_element_get_factory(child.get());
        count += made && g_strcmp0(GST_OBJECT_NAME(made), factory) == 0 ? 1 : 0;
    }
    return count;
}

GstPadProbeReturn CountPictures(GstPad*, GstPadProbeInfo*, gpointer count) {
    ++*static_cast<std::atomic<int>*>(count);
    return GST_PAD_PROBE_OK;
}

// A 16:9-flagged standard-definition picture keeps its shape: in the 720×480 window it fills the
// width and is letterboxed, and the box the screen should show square is square.
TEST_F(OutputTest, ASixteenByNineFlaggedPictureKeepsItsShape) {
    DevicePipeline pipeline("filesrc location=\"" + GenerateClip(WideBoxClip()) +
                            "\" ! decodebin ! halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
    Box box;
    ASSERT_TRUE(PollUntil(
        [&] {
            const std::optional<ShownWindow> window = TheOutputWindow();
            box = window ? BrightBox(GrabWindow(window->id)) : Box{};
            return box.width > 0;
        },
        std::chrono::seconds(10)));
    std::printf("16:9 box in the device's window: %dx%d\n", box.width, box.height);
    EXPECT_NEAR(box.width, 135, 3);
    EXPECT_NEAR(box.height, 135, 3);
}

// The bar moves 10 px a field. Shown woven, its edge alternates between two places on nearly every
// pair of rows; deinterlaced at field rate it stands straight, and the window gets one picture per
// field. Progressive video of the same motion gets no deinterlacer at all.
TEST_F(OutputTest, InterlacedVideoIsShownDeinterlacedAtFieldRateAndProgressiveVideoMeetsNoDeinterlacer) {
    for (bool interlaced : {true, false}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "progressive");
        DevicePipeline pipeline("filesrc location=\"" + GenerateClip(MovingBarClip(interlaced)) +
                                "\" ! decodebin ! halvionrenderer name=device");
        ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << PrintToString(pipeline.errors);
        EXPECT_EQ(ChildrenMadeBy(pipeline.Device(), "deinterlace"), interlaced ? 1 : 0);
        std::atomic<int> pictures{0};
        // The device's one sink is its video sink: only Video-In is linked.
        for (const ElementRef& sink :
             CollectAll<GstElement>(gst_bin_iterate_sinks(GST_BIN(pipeline.Device())))) {
            // Counts, not timing, are looked at: a loaded machine must not make the decoder drop frames.
            g_object_set(sink.get(), "qos", FALSE, nullptr);
            const PadRef input = Adopt(gst_element_get_static_pad(sink.get(), "sink"));
            gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_BUFFER, CountPictures, &pictures, nullptr);
        }
        ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
        ASSERT_TRUE(
            PollUntil([&] { return pipeline.Counter("video-frames") >= 20; }, std::chrono::seconds(10)));
        ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED));
        std::optional<ShownWindow> window = TheOutputWindow();
        ASSERT_TRUE(window);
        const Combing combing = CountCombedRows(GrabWindow(window->id));
        std::printf("%s: %d of %d pairs of rows combed\n", interlaced ? "interlaced" : "progressive",
                    combing.combed, combing.pairs);
        EXPECT_GT(combing.pairs, 400);
        EXPECT_EQ(combing.combed, 0);

        ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
        ASSERT_TRUE(pipeline.WaitFor(GST_MESSAGE_EOS)) << PrintToString(pipeline.errors);
        // Two seconds of 60 pictures: 60 woven frames or 120 progressive ones, 120 shown either way.
        EXPECT_EQ(pipeline.Counter("video-frames"), interlaced ? 60u : 120u);
        EXPECT_NEAR(pictures.load(), 120, 3);
    }
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

// The chosen output announces itself (the television switched on) just as the device lets go of its
// sound (the next file starts): the watch's thread, telling of the output, and the thread stopping the
// watch, which joins that thread, meet. Neither may wait for the other.
TEST_F(OutputTest, TheChosenOutputAnnouncedWhileTheSoundIsLetGoHangsNothing) {
    ASSERT_TRUE(AnnouncingOutputs::Register());
    ExtraSink chosen;
    DevicePipeline pipeline("audiotestsrc is-live=true ! device.Audio-In halvionrenderer name=device "
                            "audio-device=" +
                            chosen.name);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << PrintToString(pipeline.errors);
    AnnouncingOutputs::Announce(chosen.name, true);
    ASSERT_TRUE(AnnouncingOutputs::AnnouncementHeld(std::chrono::seconds(5)));
    Bounded("letting go of the sound while its output is announced", std::chrono::seconds(15), [&] {
        g_signal_emit_by_name(pipeline.Device(), "reopen-audio");
        return true;
    });
    // The sound's sink was made anew on the server, and nothing failed on the way.
    EXPECT_EQ(ChildrenMadeBy(pipeline.Device(), "pulsesink"), 1);
    EXPECT_TRUE(pipeline.errors.empty()) << PrintToString(pipeline.errors);
}

} // namespace
