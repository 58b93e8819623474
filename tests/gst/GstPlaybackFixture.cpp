// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/gst/GstPlaybackFixture.h"

#include "graph/gst/PluginFolder.h"
#include "tests/support/Poll.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <thread>

namespace {

Display* AsDisplay(void* display) {
    return static_cast<Display*>(display);
}

// PulseAudio's null sink, left idle, wakes only every two seconds, which would make the start of
// each sound stream (and so the end of playback) late by a random amount. A silent stream of the
// test program's own keeps it awake for the whole suite.
GstElement* keepAwake = nullptr;

} // namespace

TestOwnerWindow::TestOwnerWindow() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return;
    }
    display_ = display;
    XColor green{};
    green.red = 0;
    green.green = 0xffff;
    green.blue = 0;
    XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &green);
    window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 360, 240, 0, 0, green.pixel);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(display, window_, CWOverrideRedirect, &attributes);
    XMapWindow(display, window_);
    XSync(display, False);
}

TestOwnerWindow::~TestOwnerWindow() {
    if (display_) {
        XDestroyWindow(AsDisplay(display_), window_);
        XCloseDisplay(AsDisplay(display_));
    }
}

bool TestOwnerWindow::Shown(unsigned long window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(AsDisplay(display_), window, &attributes) &&
           attributes.map_state != IsUnmapped;
}

int TestOwnerWindow::PointsCovered(int left, int top, int width, int height) const {
    return Points(left, top, width, height, true);
}

int TestOwnerWindow::PointsOfPicture(int left, int top, int width, int height) const {
    return Points(left, top, width, height, false);
}

int TestOwnerWindow::Points(int left, int top, int width, int height, bool blackCounts) const {
    Display* display = AsDisplay(display_);
    XImage* image = XGetImage(display, window_, 0, 0, 360, 240, AllPlanes, ZPixmap);
    if (!image) {
        return -1;
    }
    int differing = 0;
    for (int y = std::max(top, 0); y < std::min(top + height, 240); y += 4) {
        for (int x = std::max(left, 0); x < std::min(left + width, 360); x += 4) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const bool green = (pixel & image->green_mask) == image->green_mask &&
                               (pixel & image->red_mask) == 0 && (pixel & image->blue_mask) == 0;
            const bool black = (pixel & (image->red_mask | image->green_mask | image->blue_mask)) == 0;
            differing += green || (black && !blackCounts) ? 0 : 1;
        }
    }
    XDestroyImage(image);
    return differing;
}

void GstPlaybackTest::SetUpTestSuite() {
    StartGStreamer(PluginFolderBesideExecutable());
    GstGraphSystem starter;
    starter.Initialize();
    keepAwake = gst_parse_launch("audiotestsrc wave=silence is-live=true ! pulsesink client-name=keep-awake",
                                 nullptr);
    if (keepAwake) {
        gst_element_set_state(keepAwake, GST_STATE_PLAYING);
    }
}

void GstPlaybackTest::TearDownTestSuite() {
    if (keepAwake) {
        gst_element_set_state(keepAwake, GST_STATE_NULL);
        gst_object_unref(keepAwake);
        keepAwake = nullptr;
    }
}

void GstPlaybackTest::Create(const std::string& deviceFactory) {
    player.reset();
    system = std::make_shared<CapturingGstSystem>(deviceFactory);
    player = std::make_unique<THalvion>(system, errors);
    player->SetOwnerWindow(owner.Handle());
}

void GstPlaybackTest::Open(const std::string& path, bool video, bool audio) {
    if (!player) {
        Create();
    }
    player->SetEnableVideo(video);
    player->SetEnableAudio(audio);
    player->OpenFile(path);
}

void GstPlaybackTest::TakeEvents() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool GstPlaybackTest::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    return PollUntil(
        [&condition] {
            TakeEvents();
            return condition();
        },
        deadline);
}

bool GstPlaybackTest::PlayToEnd(std::chrono::milliseconds limit) {
    player->Play();
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        TakeEvents();
        player->UpdatePosition();
        if (player->EndReached) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::vector<std::string> GstPlaybackTest::Filters() {
    RecordedLines lines;
    player->ListFilters(lines);
    return lines.lines;
}

int GstPlaybackTest::Count(const std::string& name) {
    const auto filters = Filters();
    return static_cast<int>(std::count(filters.begin(), filters.end(), name));
}

std::uint64_t GstPlaybackTest::DeviceCounter(const char* property) {
    auto graph = Graph();
    GstElement* device =
        graph ? gst_bin_get_by_name(GST_BIN(graph->Pipeline()), DeviceRendererName) : nullptr;
    guint64 value = 0;
    if (device) {
        g_object_get(device, property, &value, nullptr);
        gst_object_unref(device);
    }
    return value;
}

std::string GstPlaybackTest::Clip(const std::string& extension, bool video, bool audio, int width, int height,
                                  double seconds) {
    ClipSpec recipe;
    recipe.extension = extension;
    recipe.video = video;
    recipe.audio = audio;
    recipe.width = width;
    recipe.height = height;
    recipe.seconds = seconds;
    return GenerateClip(recipe);
}

MediaTime GstPlaybackTest::PlayAndFindLowestPlaceUntil(MediaTime past) {
    // Read before Play: a first read after it may come late on a loaded machine and miss the start.
    MediaTime lowest = player->GetPosition();
    player->Play();
    const bool passed = WaitFor([&] {
        const MediaTime now = player->GetPosition();
        lowest = std::min(lowest, now);
        return now > past;
    });
    return passed ? lowest : -1;
}
