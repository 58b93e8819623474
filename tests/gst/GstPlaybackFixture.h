// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphNames.h"
#include "graph/Halvion.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphSystem.h"
#include "tests/support/MediaGenerator.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// The GStreamer graph system that keeps hold of the graph it made, so tests can look inside.
class CapturingGstSystem : public GstGraphSystem {
public:
    using GstGraphSystem::GstGraphSystem;
    HRESULT CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) override {
        const HRESULT made = GstGraphSystem::CreateFilterGraph(graph);
        made_ = std::dynamic_pointer_cast<GstFilterGraph>(graph);
        return made;
    }
    std::shared_ptr<GstFilterGraph> Graph() const { return made_.lock(); }

private:
    std::weak_ptr<GstFilterGraph> made_;
};

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

// A top-level X window standing in for the video panel: 360 x 240, painted plain green, so that
// what the video renderer drew stands out.
class TestOwnerWindow {
public:
    TestOwnerWindow();
    ~TestOwnerWindow();
    unsigned long Handle() const { return window_; }
    // How many of the sampled points of the rectangle show a picture: neither the plain green background
    // nor the black of an empty video window.
    int PointsOfPicture(int left, int top, int width, int height) const;
    // How many of them show anything but the plain green background: a picture or a black window.
    int PointsCovered(int left, int top, int width, int height) const;
    // Whether the window is mapped (shown where its parent is).
    bool Shown(unsigned long window) const;

private:
    int Points(int left, int top, int width, int height, bool blackCounts) const;

    void* display_ = nullptr;
    unsigned long window_ = 0;
};

// How far one second is in the graph's media time.
inline constexpr MediaTime Second = 10'000'000;

class GstPlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    // Makes the playback object on the real graph, as the window does.
    void Create(const std::string& deviceFactory = "halvionrenderer");
    void Open(const std::string& path, bool video, bool audio);
    // What the window's event loop does for a graph between the calls it makes: the graph's watches
    // take the pipeline's messages, move a seek on and look for an absent sound server. Reads of the
    // graph do none of that.
    static void TakeEvents();
    // Polls the condition until it holds (true) or the deadline passes (false), taking the events
    // meanwhile.
    static bool WaitFor(const std::function<bool()>& condition,
                        std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));
    // Plays on and returns the lowest place reported, from the place it starts at until the position
    // passes `past`; -1 when it never does.
    MediaTime PlayAndFindLowestPlaceUntil(MediaTime past);
    // Plays and polls as the window's timer does until the end is seen or the time is up.
    bool PlayToEnd(std::chrono::milliseconds limit = std::chrono::milliseconds(8000));
    std::vector<std::string> Filters();
    bool HasFilter(const std::string& name) { return Count(name) > 0; }
    int Count(const std::string& name);
    std::uint64_t DeviceCounter(const char* property);
    std::shared_ptr<GstFilterGraph> Graph() { return system->Graph(); }

    // A short clip: a second of the container's usual streams at 320 x 240.
    static std::string Clip(const std::string& extension, bool video = true, bool audio = true,
                            int width = 320, int height = 240, double seconds = 1.0);

    std::shared_ptr<CapturingGstSystem> system;
    RecordedErrors errors;
    TestOwnerWindow owner;
    std::unique_ptr<THalvion> player;
};
