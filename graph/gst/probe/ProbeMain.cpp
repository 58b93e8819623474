// SPDX-License-Identifier: GPL-2.0-or-later
// tarnwick-probe FILE [--video] [--audio] [--seconds N] [--seek MS]
//
// Opens the file with the playback object on the GStreamer graph, as the player does, with the video
// drawn into a window of the probe's own; plays it for N seconds or to its end; and prints one JSON
// object as its last line. Without --seconds it plays to the end (a file that cannot play: 5 s). --video and
// --audio switch the output device on for that stream. The exit status is 0 whatever the file did; 2 for a
// wrong command line, 1 when the probe cannot run.

#include "graph/GraphNames.h"
#include "graph/Halvion.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphSystem.h"
#include "graph/gst/PluginFolder.h"
#include "graph/gst/probe/ProbeJson.h"

#include <X11/Xlib.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string file;
    bool video = false;
    bool audio = false;
    double seconds = -1;
    long long seekMs = -1;
};

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--video") {
            options.video = true;
        } else if (argument == "--audio") {
            options.audio = true;
        } else if (argument == "--seconds" && i + 1 < argc) {
            options.seconds = std::atof(argv[++i]);
        } else if (argument == "--seek" && i + 1 < argc) {
            options.seekMs = std::atoll(argv[++i]);
        } else if (options.file.empty() && !argument.starts_with("--")) {
            options.file = argument;
        } else {
            return false;
        }
    }
    return !options.file.empty();
}

class RecordedErrors : public ErrorBoxLink {
public:
    void ShowError(const std::string&, const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

class RecordedLines : public TextSinkLink {
public:
    void AppendLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

// The GStreamer graph system that keeps hold of the graph it made, so the probe can read counters.
class ProbeSystem : public GstGraphSystem {
public:
    HRESULT CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) override {
        const HRESULT made = GstGraphSystem::CreateFilterGraph(graph);
        this->graph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
        return made;
    }
    std::weak_ptr<GstFilterGraph> graph;
};

// The probe's own top-level window for the video, the size of the player's video panel.
class OwnerWindow {
public:
    OwnerWindow() {
        display_ = XOpenDisplay(nullptr);
        if (!display_) {
            return;
        }
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 360, 240, 0, 0,
                                      BlackPixel(display_, DefaultScreen(display_)));
        XStoreName(display_, window_, "tarnwick-probe");
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~OwnerWindow() {
        if (display_) {
            XDestroyWindow(display_, window_);
            XCloseDisplay(display_);
        }
    }
    unsigned long Handle() const { return window_; }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

std::uint64_t DeviceCounter(GstFilterGraph& graph, const char* property) {
    GstElement* device = gst_bin_get_by_name(GST_BIN(graph.Pipeline()), DeviceRendererName);
    guint64 value = 0;
    if (device) {
        g_object_get(device, property, &value, nullptr);
        gst_object_unref(device);
    }
    return value;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::cerr << "usage: tarnwick-probe FILE [--video] [--audio] [--seconds N] [--seek MS]\n";
        return 2;
    }
    StartGStreamer(PluginFolderBesideExecutable());
    OwnerWindow owner;

    auto system = std::make_shared<ProbeSystem>();
    RecordedErrors errors;
    auto player = std::make_unique<THalvion>(system, errors);
    std::shared_ptr<GstFilterGraph> graph = system->graph.lock();
    if (!graph) {
        std::cerr << "tarnwick-probe: no GStreamer graph\n";
        return 1;
    }
    player->SetOwnerWindow(owner.Handle());
    player->SetEnableVideo(options.video);
    player->SetEnableAudio(options.audio);

    const auto openStart = std::chrono::steady_clock::now();
    const std::int64_t openStartUs = g_get_monotonic_time();
    player->OpenFile(options.file);
    const double buildMs = MillisecondsSince(openStart);
    if (options.seekMs >= 0) {
        player->SetPosition(options.seekMs * 10'000);
    }
    player->Play();

    // Polled as the player's timer does, only more often so that the end is seen promptly.
    const auto playStart = std::chrono::steady_clock::now();
    // Without a time given, the file's length and some slack; a file that cannot play stops soon.
    MediaTime length = 0;
    const bool lengthKnown = Succeeded(graph->GetStopPosition(length));
    const double limitMs = options.seconds >= 0 ? options.seconds * 1000.0
                           : lengthKnown        ? length / 10'000.0 + 10'000.0
                                                : 5'000.0;
    while (MillisecondsSince(playStart) < limitMs) {
        player->UpdatePosition();
        if (player->EndReached) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    RecordedLines filters;
    player->ListFilters(filters);
    JsonObject result;
    result.Add("file", options.file);
    result.Add("filters", filters.lines);
    result.Add("messages", errors.texts);
    result.Add("width", static_cast<long long>(player->VideoWidth));
    result.Add("height", static_cast<long long>(player->VideoHeight));
    result.Add("build_ms", buildMs);
    const std::int64_t firstFrameUs = graph->Counters().firstVideoFrameUs;
    if (firstFrameUs > 0) {
        result.Add("first_frame_ms", (firstFrameUs - openStartUs) / 1000.0);
    } else {
        result.AddNull("first_frame_ms");
    }
    result.Add("device_video_frames", static_cast<long long>(DeviceCounter(*graph, "video-frames")));
    result.Add("device_audio_samples", static_cast<long long>(DeviceCounter(*graph, "audio-samples")));
    result.Add("standard_video_frames", static_cast<long long>(graph->Counters().videoFrames.load()));
    result.Add("standard_audio_samples", static_cast<long long>(graph->Counters().audioSamples.load()));
    result.Add("end_reached", player->EndReached);
    result.Add("position", static_cast<long long>(player->GetPosition()));
    result.Add("problems", graph->Problems());

    graph.reset();
    player.reset();
    std::cout << result.Text() << std::endl;
    return 0;
}
