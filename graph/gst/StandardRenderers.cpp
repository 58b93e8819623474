// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/StandardRenderers.h"

#include "gstcommon/BufferCounting.h"
#include "gstcommon/Deinterlacing.h"
#include "gstcommon/GstHandles.h"

#include <array>
#include <gst/audio/audio.h>
#include <mutex>
#include <span>
#include <vector>

namespace {

constexpr const char* StandardSinkMark = "tarnwick-standard-video-sink";
constexpr const char* StandardCropMark = "tarnwick-standard-video-crop";

constexpr std::array<const char*, 2> XvVideoChain{"videoconvert", "xvimagesink"};
// Colours converted and the picture scaled in one pass, so that no full-size picture in the sink's
// colours is ever made: a 1080p frame shown in the panel is read once and written at the panel's size.
// The crop first takes off what the panel would clip anyway; cutting nothing, it passes frames on.
constexpr std::array<const char*, 3> XVideoChain{"videocrop", "videoconvertscale", "ximagesink"};
// With no X server to show the picture on (a Wayland session without Xwayland), the frames are still
// taken at their times and let go, so the graph builds, the sound plays and the frame size is known.
constexpr std::array<const char*, 1> NoPictureChain{"fakesink"};
constexpr std::array<const char*, 3> SoundChain{"audioconvert", "audioresample", "autoaudiosink"};

// xvimagesink scales in the X server, which costs the least CPU, but only where the server has Xv
// adaptors (Xvfb has none, and xvimagesink then fails to open). Asked once per process.
bool XvWorks() {
    static std::once_flag asked;
    static bool works = false;
    std::call_once(asked, [] {
        GstElement* made = gst_element_factory_make("xvimagesink", nullptr);
        if (!made) {
            return;
        }
        ElementRef sink = Share(made);
        works = gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(sink.get(), GST_STATE_NULL);
    });
    return works;
}

// Builds a bin from a chain of factories with a ghost sink pad of the given name on the first.
GstElement* MakeChainBin(std::span<const char* const> factories, const char* padName,
                         std::vector<GstElement*>* made = nullptr) {
    GstElement* bin = gst_bin_new(nullptr);
    ElementRef keeper = Share(bin);
    GstElement* previous = nullptr;
    GstElement* first = nullptr;
    for (const char* factory : factories) {
        GstElement* element = gst_element_factory_make(factory, nullptr);
        if (!element) {
            return nullptr;
        }
        gst_bin_add(GST_BIN(bin), element);
        if (previous && !gst_element_link(previous, element)) {
            return nullptr;
        }
        if (made) {
            made->push_back(element);
        }
        first = first ? first : element;
        previous = element;
    }
    PadRef target = Adopt(gst_element_get_static_pad(first, "sink"));
    gst_element_add_pad(bin, gst_ghost_pad_new(padName, target.get()));
    // Handed back floating, as a freshly made element is.
    g_object_force_floating(G_OBJECT(keeper.release()));
    return bin;
}

GstPadProbeReturn CountVideo(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto& counters = *static_cast<RenderCounters*>(data);
    counters.videoFrames += BuffersIn(info);
    return GST_PAD_PROBE_OK;
}

// Runs on a streaming thread.
GstPadProbeReturn CountAudio(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& counters = *static_cast<RenderCounters*>(data);
    CapsRef caps(gst_pad_get_current_caps(pad));
    GstAudioInfo audio;
    if (!caps || !gst_audio_info_from_caps(&audio, caps.get()) || GST_AUDIO_INFO_BPF(&audio) == 0) {
        return GST_PAD_PROBE_OK;
    }
    counters.audioSamples += BytesIn(info) / GST_AUDIO_INFO_BPF(&audio);
    return GST_PAD_PROBE_OK;
}

constexpr auto BufferProbes =
    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST);

// Runs on a streaming thread.
GstPadProbeReturn StampFirstFrame(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto& counters = *static_cast<RenderCounters*>(data);
    std::int64_t none = 0;
    counters.firstVideoFrameUs.compare_exchange_strong(none, g_get_monotonic_time());
    return GST_PAD_PROBE_REMOVE;
}

} // namespace

void WatchFirstVideoFrame(GstPad* pad, RenderCounters& counters) {
    gst_pad_add_probe(pad, BufferProbes, StampFirstFrame, &counters, nullptr);
}

GstElement* MakeVideoRenderer(RenderCounters& counters) {
    std::vector<GstElement*> made;
    const gchar* display = g_getenv("DISPLAY");
    const bool onX = display != nullptr && *display != '\0';
    const bool xv = onX && XvWorks();
    GstElement* bin = MakeChainBin(!onX ? std::span<const char* const>(NoPictureChain)
                                   : xv ? std::span<const char* const>(XvVideoChain)
                                        : XVideoChain,
                                   "Input", &made);
    if (!bin) {
        return nullptr;
    }
    GstElement* sink = made.back();
    if (!onX) {
        g_object_set(sink, "sync", TRUE, nullptr);
    } else if (!xv) {
        // The colour planes are taken as they are, without filtering them to the picture's size: a
        // picture shown at half its size (most are, in the panel) has them at that size already, and
        // filtering them costs a tenth of the CPU of playing a 1080p file.
        gst_util_set_object_arg(G_OBJECT(made[1]), "chroma-mode", "none");
        g_object_set_data(G_OBJECT(made.front()), StandardCropMark, GINT_TO_POINTER(1));
    }
    if (onX) {
        g_object_set(sink, "handle-events", FALSE, "force-aspect-ratio", TRUE, nullptr);
    }
    g_object_set_data(G_OBJECT(sink), StandardSinkMark, GINT_TO_POINTER(1));
    PadRef input = Adopt(gst_element_get_static_pad(bin, "Input"));
    gst_pad_add_probe(input.get(), BufferProbes, CountVideo, &counters, nullptr);
    WatchFirstVideoFrame(input.get(), counters);
    if (onX) {
        DeinterlaceWhenInterlaced(GST_BIN(bin), input.get());
    }
    return bin;
}

GstElement* MakeSoundRenderer(RenderCounters& counters) {
    GstElement* bin = MakeChainBin(SoundChain, "Input");
    if (!bin) {
        return nullptr;
    }
    PadRef input = Adopt(gst_element_get_static_pad(bin, "Input"));
    gst_pad_add_probe(input.get(), BufferProbes, CountAudio, &counters, nullptr);
    return bin;
}

std::vector<const char*> StandardRendererFactories() {
    std::vector<const char*> factories;
    for (std::span<const char* const> chain :
         {std::span<const char* const>(XvVideoChain), std::span<const char* const>(XVideoChain),
          std::span<const char* const>(SoundChain)}) {
        factories.insert(factories.end(), chain.begin(), chain.end());
    }
    return factories;
}

bool IsStandardVideoCrop(GstObject* object) {
    return object && g_object_get_data(G_OBJECT(object), StandardCropMark) != nullptr;
}

bool IsStandardVideoSink(GstObject* object) {
    return object && g_object_get_data(G_OBJECT(object), StandardSinkMark) != nullptr;
}
