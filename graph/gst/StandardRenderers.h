// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <gst/gst.h>
#include <vector>

// What reached the standard renderers of one graph; read by tools and tests, written on streaming
// threads.
struct RenderCounters {
    std::atomic<std::uint64_t> videoFrames{0};
    std::atomic<std::uint64_t> audioSamples{0};
    // Monotonic time (g_get_monotonic_time, microseconds) at which the first video frame reached any
    // renderer of the graph, the device's included; 0 until then.
    std::atomic<std::int64_t> firstVideoFrameUs{0};
};

// The computer's own video renderer: a bin with one sink pad "Input" that converts and scales the
// decoded frames for an X11 video sink, and deinterlaces them when their caps say interlaced. The sink draws
// into the window the graph gives it when it asks (prepare-window-handle); input events stay with the
// program. Without an X server (no DISPLAY) the frames are timed and dropped instead. Returns a floating bin,
// or nullptr when no video sink can be made.
GstElement* MakeVideoRenderer(RenderCounters& counters);

// The computer's own sound renderer: a bin with one sink pad "Input" feeding the
// sound server's default output through converters (autoaudiosink, which falls back to a silent
// sink when no sound server answers). Returns a floating bin, or nullptr.
GstElement* MakeSoundRenderer(RenderCounters& counters);

// Every element factory the standard renderers may be made of (either video chain, and the sound
// chain).
std::vector<const char*> StandardRendererFactories();

// Stamps the first video frame that passes the pad into the counters (once per pad).
void WatchFirstVideoFrame(GstPad* pad, RenderCounters& counters);

// Whether the element is the video sink inside one of our video renderers.
bool IsStandardVideoSink(GstObject* object);
// The crop ahead of the computer's own scaling, where the picture is scaled in this process.
bool IsStandardVideoCrop(GstObject* object);
