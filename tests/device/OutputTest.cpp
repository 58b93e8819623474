// The device's real outputs: its own window on the X server and its stream on the sound server.

#include "tests/device/DevicePipeline.h"
#include "tests/device/ScreenPixels.h"
#include "tests/support/X11Tools.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* const OutputTitle = "Morrick Halvion Output";

// The sink draws on its own thread; the picture is there soon after the preroll, not at once.
bool BecomesRed(unsigned long window, int x, int y) {
    for (int attempt = 0; attempt < 60; ++attempt) {
        if (PixelOf(window, x, y).IsRed()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::optional<ShownWindow> OutputWindowShown() {
    for (int attempt = 0; attempt < 60; ++attempt) {
        std::vector<ShownWindow> windows = OwnWindowsTitled(OutputTitle);
        if (!windows.empty()) {
            EXPECT_EQ(windows.size(), 1u);
            return windows.front();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

bool OutputWindowGone() {
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (OwnWindowsTitled(OutputTitle).empty()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTheDevicePlugin(); }
};

TEST_F(OutputTest, ShowsThePictureScaledIntoItsOwnWindowUntilTheInputIsUnlinked) {
    DevicePipeline pipeline(
        "videotestsrc name=source pattern=red num-buffers=20 "
        "! video/x-raw,width=320,height=240,framerate=25/1 ! halvionrenderer name=device");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    std::optional<ShownWindow> window = OutputWindowShown();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width, 720);
    EXPECT_EQ(window->height, 480);
    // 4:3 into a 3:2 window: the full height, a black band at either side.
    EXPECT_TRUE(BecomesRed(window->id, 360, 240)) << PixelOf(window->id, 360, 240);
    EXPECT_TRUE(PixelOf(window->id, 360, 3).IsRed()) << PixelOf(window->id, 360, 3);
    EXPECT_TRUE(PixelOf(window->id, 8, 240).IsBlack()) << PixelOf(window->id, 8, 240);

    // Closing it from outside (a window manager's close button) neither closes nor stops the device.
    RequestClose(window->id);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING));
    EXPECT_TRUE(pipeline.WaitForEos()) << testing::PrintToString(pipeline.errors);
    EXPECT_TRUE(OutputWindowShown());

    GstElement* source = pipeline.Element("source");
    ASSERT_TRUE(gst_element_set_state(pipeline.Get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE);
    GstPad* input = gst_element_get_static_pad(pipeline.Device(), "Video-In");
    GstPad* upstream = gst_pad_get_peer(input);
    ASSERT_NE(upstream, nullptr);
    EXPECT_TRUE(gst_pad_unlink(upstream, input));
    gst_object_unref(upstream);
    gst_object_unref(input);
    (void)source;
    EXPECT_TRUE(OutputWindowGone());
    EXPECT_EQ(GST_BIN_NUMCHILDREN(pipeline.Device()), 0);
    EXPECT_FALSE(GST_OBJECT_FLAG_IS_SET(pipeline.Device(), GST_ELEMENT_FLAG_SINK));
}

TEST_F(OutputTest, FullScreenCoversTheMonitorAndAnAbsentMonitorMeansTheFirst) {
    DevicePipeline pipeline("videotestsrc pattern=red num-buffers=5 ! halvionrenderer name=device "
                            "fullscreen=true monitor=7");
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PAUSED)) << testing::PrintToString(pipeline.errors);
    std::optional<ShownWindow> window = OutputWindowShown();
    ASSERT_TRUE(window);
    ScreenSize screen = RootSize();
    EXPECT_EQ(window->x, 0);
    EXPECT_EQ(window->y, 0);
    EXPECT_EQ(window->width, screen.width);
    EXPECT_EQ(window->height, screen.height);
    EXPECT_TRUE(BecomesRed(window->id, screen.width / 2, screen.height / 2));
}

// The output of a shell command, or the empty text when it could not run.
std::string RunCommand(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) {
        output += buffer;
    }
    return output;
}

// The index of the sound server's output with that name, or -1.
int SinkIndex(const std::string& name) {
    std::istringstream lines(RunCommand("pactl list short sinks"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int index = -1;
        std::string sinkName;
        if (fields >> index >> sinkName && sinkName == name) {
            return index;
        }
    }
    return -1;
}

// The output that this process's stream of the device plays on, by index; -1 while the server
// lists no such stream. Other test programs may play through a device of their own meanwhile.
int SinkOfTheDevicesStream() {
    std::istringstream lines(RunCommand("pactl list sink-inputs"));
    const std::string name = std::string("application.name = \"") + OutputTitle + "\"";
    const std::string process = "application.process.id = \"" + std::to_string(::getpid()) + "\"";
    std::string line;
    int sink = -1;
    bool named = false, ours = false;
    auto found = [&] { return named && ours && sink >= 0; };
    while (std::getline(lines, line)) {
        if (line.rfind("Sink Input #", 0) == 0) {
            if (found()) {
                return sink;
            }
            sink = -1;
            named = ours = false;
        } else if (line.find("Sink: ") != std::string::npos) {
            sink = std::stoi(line.substr(line.find("Sink: ") + 6));
        }
        named = named || line.find(name) != std::string::npos;
        ours = ours || line.find(process) != std::string::npos;
    }
    return found() ? sink : -1;
}

int WaitForTheDevicesStream() {
    for (int attempt = 0; attempt < 60; ++attempt) {
        int sink = SinkOfTheDevicesStream();
        if (sink >= 0) {
            return sink;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

// A stream of an earlier test leaves the server a little after its pipeline stopped.
bool NoStreamOfTheDevice() {
    for (int attempt = 0; attempt < 60; ++attempt) {
        if (SinkOfTheDevicesStream() < 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

const char* const LongTone = "audiotestsrc num-buffers=400 ! device.Audio-In halvionrenderer name=device";

TEST_F(OutputTest, AudioPlaysOnTheSoundServersDefaultOutput) {
    std::string defaultSink = RunCommand("pactl get-default-sink");
    defaultSink.erase(defaultSink.find_last_not_of('\n') + 1);
    ASSERT_GE(SinkIndex(defaultSink), 0) << "no sound server: " << defaultSink;

    ASSERT_TRUE(NoStreamOfTheDevice());
    DevicePipeline pipeline(LongTone);
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(WaitForTheDevicesStream(), SinkIndex(defaultSink));
    EXPECT_GT(pipeline.AudioSamples(), 0u);
    EXPECT_TRUE(pipeline.errors.empty()) << testing::PrintToString(pipeline.errors);
}

// A second output on the server, there for one test.
class ExtraSink {
public:
    explicit ExtraSink(const std::string& name) : name_(name) {
        std::string module = RunCommand("pactl load-module module-null-sink sink_name=" + name);
        module_ = module.empty() ? -1 : std::stoi(module);
    }
    ~ExtraSink() {
        if (module_ >= 0) {
            RunCommand("pactl unload-module " + std::to_string(module_));
        }
    }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    int module_ = -1;
};

TEST_F(OutputTest, AudioPlaysOnTheChosenOutput) {
    ExtraSink chosen("halvion_test_" + std::to_string(::getpid()));
    int chosenIndex = SinkIndex(chosen.Name());
    ASSERT_GE(chosenIndex, 0);

    ASSERT_TRUE(NoStreamOfTheDevice());
    DevicePipeline pipeline(std::string(LongTone) + " audio-device=" + chosen.Name());
    ASSERT_TRUE(pipeline.Reach(GST_STATE_PLAYING)) << testing::PrintToString(pipeline.errors);
    EXPECT_EQ(WaitForTheDevicesStream(), chosenIndex);
}

} // namespace
