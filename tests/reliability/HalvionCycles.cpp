// SPDX-License-Identifier: GPL-2.0-or-later
// halvion_cycles [--keep-an-element] CYCLES FILE...
//
// Opens every file in turn with the playback object on the GStreamer graph, with the outputs off, the
// picture on the device and the sound on the device (built ahead and taken over, or dropped while it
// builds, as a start does), and plays each to its end; does all of that
// CYCLES times, printing the resident memory and the elements gained over each cycle after the first (when
// GST_TRACERS has a leak tracer named "elements"); then
// lets go of everything and takes GStreamer down, which is when its leak tracer reports the objects still
// alive.
// --keep-an-element makes one element and never lets it go, so that a test can see the tracer catch a leak.
// Prints "opened N ended M messages K" as its last line. Exit status 0 when it ran, 2 for a wrong command
// line.

#include "graph/Halvion.h"
#include "graph/gst/GstGraphSystem.h"
#include "graph/gst/PluginFolder.h"
#include "player/StartAhead.h"

#include <X11/Xlib.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gst/gst.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

class CountedErrors : public ErrorBoxLink {
public:
    void ShowError(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
    }
    int count = 0;
};

// The clips are short: one that has not ended after two seconds was not built.
bool PlayToEnd(THalvion& player) {
    player.Play();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        player.UpdatePosition();
        if (player.EndReached) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Resident memory in KiB.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

// PulseAudio's null sink, left idle, wakes only every two seconds, which would hold back the start of
// each file's sound; a silent stream of our own keeps it awake.
GstElement* KeepSoundServerAwake() {
    GstElement* pipeline = gst_parse_launch(
        "audiotestsrc wave=silence is-live=true ! pulsesink client-name=keep-awake", nullptr);
    if (pipeline) {
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
    }
    return pipeline;
}

// The leak tracer named "elements" (one that watches only elements), or null.
GstTracer* ElementsTracer() {
    GstTracer* found = nullptr;
    GList* tracers = gst_tracing_get_active_tracers();
    for (GList* tracer = tracers; tracer; tracer = tracer->next) {
        gchar* name = gst_object_get_name(GST_OBJECT(tracer->data));
        if (!found && name && std::string(name) == "elements") {
            found = GST_TRACER(gst_object_ref(tracer->data));
        }
        g_free(name);
    }
    g_list_free_full(tracers, gst_object_unref);
    return found;
}

std::size_t ListSize(const GstStructure* checkpoint, const char* field) {
    const GValue* list = gst_structure_get_value(checkpoint, field);
    return list ? gst_value_list_get_size(list) : 0;
}

// Elements made minus elements gone since the last call (the first call starts counting and says 0),
// as the "elements" leak tracer sees them; its checkpoints hold names and addresses, not references.
// The player keeps one graph for all files, so over a round of the same files the count must not rise.
// Without the tracer nothing is known, and nothing is claimed.
std::optional<long> ElementsGainedSinceLastCall() {
    static bool tracking = false;
    GstTracer* tracer = ElementsTracer();
    if (!tracer) {
        return std::nullopt;
    }
    long gained = 0;
    if (!tracking) {
        g_signal_emit_by_name(tracer, "activity-start-tracking");
        tracking = true;
    } else {
        GstStructure* checkpoint = nullptr;
        g_signal_emit_by_name(tracer, "activity-get-checkpoint", &checkpoint);
        if (checkpoint) {
            gained = static_cast<long>(ListSize(checkpoint, "objects-created-list")) -
                     static_cast<long>(ListSize(checkpoint, "objects-removed-list"));
            gst_structure_free(checkpoint);
        }
    }
    gst_object_unref(tracer);
    return gained;
}

} // namespace

int main(int argc, char** argv) {
    const bool keepAnElement = argc > 1 && std::string(argv[1]) == "--keep-an-element";
    const int first = keepAnElement ? 2 : 1;
    if (argc < first + 2 || std::atoi(argv[first]) < 1) {
        std::fprintf(stderr, "usage: halvion_cycles [--keep-an-element] CYCLES FILE...\n");
        return 2;
    }
    const int cycles = std::atoi(argv[first]);
    const std::vector<std::string> files(argv + first + 1, argv + argc);
    StartGStreamer(PluginFolderBesideExecutable());
    GstGraphSystem().Initialize();
    GstElement* awake = KeepSoundServerAwake();
    if (keepAnElement) {
        gst_object_ref_sink(gst_element_factory_make("identity", "kept-on-purpose"));
    }

    Display* display = XOpenDisplay(nullptr);
    const Window owner = display ? XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 360, 240, 0,
                                                       0, BlackPixel(display, DefaultScreen(display)))
                                 : 0;
    if (display) {
        XMapWindow(display, owner);
        XSync(display, False);
    }

    int opened = 0;
    int ended = 0;
    CountedErrors errors;
    {
        const auto system = std::make_shared<GstGraphSystem>();
        auto player = std::make_unique<THalvion>(system, errors);
        player->SetOwnerWindow(owner);
        for (int cycle = 0; cycle < cycles; ++cycle) {
            for (const std::string& file : files) {
                const int mode = opened % 3;
                player->SetEnableVideo(mode == 1);
                player->SetEnableAudio(mode == 2);
                // As a start does, a file is built ahead on a thread of its own and taken over, or
                // dropped while it builds (the user acted first).
                StartPlan plan;
                plan.path = file;
                plan.enableVideo = mode == 1;
                plan.enableAudio = mode == 2;
                std::optional<StartAhead> ahead(std::in_place, plan, system);
                ahead->SetDeviceScreen(0, false);
                if (opened % 2 == 1) {
                    ahead.reset();
                }
                if (!ahead || !ahead->HandTo(*player, file, nullptr, errors)) {
                    player->OpenFile(file);
                }
                ++opened;
                ended += PlayToEnd(*player) ? 1 : 0;
            }
            std::printf("cycle %d resident %ld KiB", cycle + 1, ResidentKiB());
            if (const std::optional<long> gained = ElementsGainedSinceLastCall()) {
                std::printf(" elements gained %ld", *gained);
            }
            std::printf("\n");
            std::fflush(stdout);
        }
        player->Stop();
    }

    if (awake) {
        gst_element_set_state(awake, GST_STATE_NULL);
        gst_object_unref(awake);
    }
    if (display) {
        XDestroyWindow(display, owner);
        XCloseDisplay(display);
    }
    gst_deinit();
    std::printf("opened %d ended %d messages %d\n", opened, ended, errors.count);
    return 0;
}
