// SPDX-License-Identifier: GPL-2.0-or-later
// Running, stopping and seeking the GStreamer graph, its positions, the frame size, the video
// window and the sound's volume.

#include "graph/GraphNames.h"
#include "graph/GraphWait.h"
#include "graph/VisibleCrop.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstIteration.h"

#include <algorithm>
#include <gst/video/videooverlay.h>

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

constexpr gint64 NanosecondsPerUnit = 100;
// 100 ms, in units of 100 ns.
constexpr MediaTime StalePictureRemadeWithin = 1'000'000;

} // namespace

HRESULT GstFilterGraph::Run() {
    DrainMessages();
    FinishSeeks();
    if (transport_.Broken()) {
        return E_FAIL;
    }
    if (Empty()) {
        return StartEmpty(TransportState::Mode::Running);
    }
    // A graph just built stands at a picture made before its window was placed, which nobody sees;
    // the first frame made while playing comes only after the sinks' latency and a frame's time.
    // Made again now, the first picture shows before playing starts. Only where the picture stands
    // at the position or just after it (an .asf's first frame often comes a few milliseconds after
    // its sound): a stream whose first frame comes half a second after the start (an MPEG program
    // stream's often does) would hold it that long after a seek to the start, and a seek to the
    // frame itself lands past it in such a stream, skipping what comes first.
    LetHeldPictureThrough();
    if (pictureStale_ && ShownPictureTime() <= position_.Current() + StalePictureRemadeWithin) {
        RemakeStalePicture();
    }
    ShowUnshownPicture();
    transport_.Start(TransportState::Mode::Running, true);
    // Running, the next frame is made at the window's size in any case.
    pictureStale_ = false;
    return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                 : S_OK;
}

HRESULT GstFilterGraph::Pause() {
    DrainMessages();
    transport_.LandPaused();
    FinishSeeks();
    if (transport_.Broken()) {
        return E_FAIL;
    }
    if (Empty()) {
        return StartEmpty(TransportState::Mode::Paused);
    }
    LetHeldPictureThrough();
    transport_.Start(TransportState::Mode::Paused, true);
    return gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                : S_OK;
}

// A graph with nothing in it has nothing to pause or run, and its pipeline stays down: a source added
// to a pipeline that is up starts at once, before anything is linked to it, and its first data goes
// nowhere. The source then fails with "Internal data stream error", and so does the build that links
// it, now and then (a pause or play pressed before any file was open, then a file opened).
HRESULT GstFilterGraph::StartEmpty(TransportState::Mode wanted) {
    transport_.Start(wanted, false);
    return S_OK;
}

// Stopping keeps the graph built and the position where it is: the next Run goes on from there.
HRESULT GstFilterGraph::Stop() {
    transport_.LandPaused();
    FinishSeeks();
    MediaTime current = 0;
    MediaTime stop = 0;
    ReadPositions(current, stop);
    position_.ForgetEnd(bus_->LastSerial());
    if (transport_.Broken()) {
        return S_OK;
    }
    transport_.Stop(!Empty());
    if (Empty()) {
        return S_OK;
    }
    return gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                : S_OK;
}

HRESULT GstFilterGraph::SetTimeFormat(TimeFormat format) {
    return format == TimeFormat::MediaTime ? S_OK : E_INVALIDARG;
}

HRESULT GstFilterGraph::GetStopPosition(MediaTime& stop) {
    MediaTime current = 0;
    return ReadPositions(current, stop);
}

HRESULT GstFilterGraph::GetPositions(MediaTime& current, MediaTime& stop) {
    return ReadPositions(current, stop);
}

HRESULT GstFilterGraph::ReadPositions(MediaTime& current, MediaTime& stop) {
    // Asked while this graph waits for its pipeline (the window answers a property read meanwhile),
    // the graph answers from where it stands or is going: taking its messages or asking the sinks
    // now would act on the bus and the place out of the wait's turn, and a sink that is flushing
    // still answers from before the seek.
    if (GraphWait::Underway()) {
        if (transport_.Broken() || Empty() || !position_.KnowsStop()) {
            current = 0;
            stop = 0;
            return transport_.Broken() || Empty() ? S_OK : E_FAIL;
        }
        current = position_.Current();
        stop = position_.Stop();
        return S_OK;
    }
    // A read changes nothing: the messages are only noted, a seek on its way is moved on by the
    // window's event loop (the seek's watch) or the next call that acts, and the sound server is
    // looked for on the event loop too (SoundServerReturn.cpp).
    DrainMessages(false);
    // A graph that holds nothing, or whose build failed, has nothing to play: it stands at its end
    // (both positions 0), so that a list that moves on at the end of each file moves past it.
    if (transport_.Broken() || Empty()) {
        current = 0;
        stop = 0;
        return S_OK;
    }
    if (!position_.KnowsStop()) {
        ReadDuration();
    }
    if (!position_.KnowsStop()) {
        return E_FAIL;
    }
    // Seeks are on their way: the place is the last one asked for.
    if (transport_.Seeking()) {
        current = position_.Current();
        stop = position_.Stop();
        return S_OK;
    }
    // While the graph is being changed the pipeline may not answer, or answer from a sink that has
    // only just started; the last good answer stands in. Stopped, the position stays where the stop
    // or the last seek left it, whatever the sinks say while they settle.
    gint64 position = 0;
    if (transport_.Started() && gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position) &&
        position >= 0) {
        position_.Observe(position / NanosecondsPerUnit);
        // The sinks say they are at the end: whether they are is asked of them too, since the
        // pipeline does not always post the end they reached (or posted it before they all had).
        position_.AnsweredAtStop(position / NanosecondsPerUnit >= position_.Stop());
    }
    if (transport_.Started()) {
        TakeHeldBackEnd();
    }
    current = position_.Current();
    stop = position_.Stop();
    return S_OK;
}

void GstFilterGraph::ShowUnshownPicture() {
    if (!pictureUnshown_.exchange(false)) {
        return;
    }
    PadRef sinkPad = Adopt(StandardVideoSinkPad());
    GstRef<GstElement> sink = sinkPad ? Adopt(gst_pad_get_parent_element(sinkPad.get())) : nullptr;
    if (sink && GST_IS_VIDEO_OVERLAY(sink.get())) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
}

// The build's first picture, held back before the renderer, goes through now, and the graph waits
// until the renderer has it: a run then starts with the picture already in the window, not a sink's
// latency and a frame later, and a pause shows it as the pause begins. It is converted only now, at
// the window's size, so there is nothing stale to make again.
void GstFilterGraph::LetHeldPictureThrough() {
    if (!firstPicture_.Holding()) {
        firstPicture_.Release();
        return;
    }
    DrainMessages();
    pictureStale_ = false;
    AwaitSettle(TransportState::Awaited::HeldPicture);
    firstPicture_.Release();
    WaitForAsyncDone(SeekDeadline, TransportState::Awaited::HeldPicture);
}

HRESULT GstFilterGraph::RemakeStillPicture() {
    DrainMessages();
    FinishSeeks();
    RemakeStalePicture();
    return S_OK;
}

void GstFilterGraph::RemakeStalePicture() {
    ShowUnshownPicture();
    // Only a picture standing still is made again, and not while the pipeline is on its way to it
    // (a held first picture keeps it so): running, the next frame comes at the new size anyway.
    if (pictureStale_ && transport_.StandsStill() && StateSettled()) {
        Reseek();
    }
}

MediaTime GstFilterGraph::ShownPictureTime() {
    // No picture stands at the place while a seek to it is on its way; the read waits for nothing.
    if (transport_.Seeking()) {
        return -1;
    }
    PadRef sinkPad = Adopt(StandardVideoSinkPad());
    GstRef<GstElement> sink = sinkPad ? Adopt(gst_pad_get_parent_element(sinkPad.get())) : nullptr;
    if (!sink || !g_object_class_find_property(G_OBJECT_GET_CLASS(sink.get()), "last-sample")) {
        return -1;
    }
    SampleRef sample;
    g_object_get(sink.get(), "last-sample", static_cast<GstSample**>(OutParam(sample)), nullptr);
    if (!sample) {
        return -1;
    }
    const GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    const GstSegment* segment = gst_sample_get_segment(sample.get());
    guint64 time = GST_CLOCK_TIME_NONE;
    if (buffer && segment && segment->format == GST_FORMAT_TIME && GST_BUFFER_PTS_IS_VALID(buffer)) {
        time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    }
    return GST_CLOCK_TIME_IS_VALID(time) ? static_cast<MediaTime>(time / NanosecondsPerUnit) : -1;
}

HRESULT GstFilterGraph::get_SourceWidth(std::int32_t& width) {
    std::lock_guard guard(lock_);
    width = 0;
    CapsRef caps(videoPad_ ? gst_pad_get_current_caps(videoPad_.get()) : nullptr);
    gint value = 0;
    if (caps && gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), "width", &value)) {
        width = value;
    }
    return S_OK;
}

HRESULT GstFilterGraph::get_SourceHeight(std::int32_t& height) {
    std::lock_guard guard(lock_);
    height = 0;
    CapsRef caps(videoPad_ ? gst_pad_get_current_caps(videoPad_.get()) : nullptr);
    gint value = 0;
    if (caps && gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), "height", &value)) {
        height = value;
    }
    return S_OK;
}

HRESULT GstFilterGraph::put_Owner(WindowHandle owner) {
    if (!window_.Handle()) {
        return E_FAIL;
    }
    return window_.SetOwner(owner) ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::put_WindowStyle(std::int32_t) {
    // The video window is always a child of its owner; there is no other style to take.
    return S_OK;
}

HRESULT GstFilterGraph::SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                          std::int32_t height) {
    // Only the computer's own renderer draws into the window: a picture that goes to the device, or
    // none at all, leaves the owner showing its own background rather than an empty or stale window.
    if (PadRef sinkPad = Adopt(StandardVideoSinkPad()); !sinkPad) {
        window_.Hide();
        return S_OK;
    }
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    get_SourceWidth(frameWidth);
    get_SourceHeight(frameHeight);
    bool cropChanged = false;
    const PixelRect shown =
        ApplyVisibleCrop(pipeline_.get(), {left, top, width, height}, frameWidth, frameHeight, cropChanged);
    const bool sizeChanged = shown.width != window_.Width() || shown.height != window_.Height();
    if (!window_.SetPosition(shown.left, shown.top, shown.width, shown.height)) {
        return E_FAIL;
    }
    // A new crop changes the picture as a new size does: the still picture is made again.
    RefreshVideo(sizeChanged || cropChanged);
    return S_OK;
}

PixelRect GstFilterGraph::ApplyVisibleCrop(GstElement* within, const PixelRect& placed, gint frameWidth,
                                           gint frameHeight, bool& changed) {
    changed = false;
    ElementRef crop;
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(within)))) {
        if (IsStandardVideoCrop(GST_OBJECT(element.get()))) {
            crop = Share(element.get());
        }
    }
    int ownerWidth = 0;
    int ownerHeight = 0;
    if (!crop || !window_.OwnerSize(ownerWidth, ownerHeight)) {
        return placed;
    }
    const VisibleCrop visible = CropToOwner(placed, ownerWidth, ownerHeight, frameWidth, frameHeight);
    SourceCrop current;
    g_object_get(crop.get(), "left", &current.left, "top", &current.top, "right", &current.right, "bottom",
                 &current.bottom, nullptr);
    if (current != visible.crop) {
        // Set while frames flow, the crop asks the scaler downstream to negotiate again itself.
        g_object_set(crop.get(), "left", visible.crop.left, "top", visible.crop.top, "right",
                     visible.crop.right, "bottom", visible.crop.bottom, nullptr);
        changed = true;
    }
    return visible.window;
}

GstPad* GstFilterGraph::StandardVideoSinkPad() {
    for (const ElementRef& element :
         CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(pipeline_.get())))) {
        if (IsStandardVideoSink(GST_OBJECT(element.get()))) {
            return gst_element_get_static_pad(element.get(), "sink");
        }
    }
    return nullptr;
}

// A software video sink draws frames at the size they were negotiated at. After the window changed
// size the stream is asked to negotiate again (the sink prefers its window's size), and a stopped or
// paused picture is made again at the new size; otherwise the sink only draws its last frame again.
void GstFilterGraph::RefreshVideo(bool sizeChanged) {
    PadRef sinkPad = Adopt(StandardVideoSinkPad());
    if (!sinkPad) {
        return;
    }
    GstRef<GstElement> sink = Adopt(gst_pad_get_parent_element(sinkPad.get()));
    const bool overlay = sink && GST_IS_VIDEO_OVERLAY(sink.get());
    if (sizeChanged && overlay) {
        // The sink learns its window's new size from its own X events, some time later; an expose
        // makes it read the size now, so that the picture made again below is made at that size and
        // not at the old one (the first picture would otherwise wait for playback to reach a frame).
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
    if (sizeChanged) {
        gst_pad_push_event(sinkPad.get(), gst_event_new_reconfigure());
        // A graph just built stands still at a picture made before its window had a size, and
        // mostly seeks or runs straight away: making the picture again now would preroll twice
        // before a seek. A seek makes it at the new size anyway, a run makes it first, and one that
        // stays still has it made again on the next look at its positions.
        pictureStale_ = true;
        pictureUnshown_ = false;
    }
    if (overlay && !pictureUnshown_) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
}

// The sound renderer is found by its name: the output device's own sound is not the computer's.
HRESULT GstFilterGraph::put_Volume(double volume) {
    GstRef<GstElement> renderer = Adopt(gst_bin_get_by_name(GST_BIN(pipeline_.get()), SoundRendererName));
    volume_.Set(renderer.get(), volume);
    return S_OK;
}

HRESULT GstFilterGraph::get_Volume(double& volume) {
    GstRef<GstElement> renderer = Adopt(gst_bin_get_by_name(GST_BIN(pipeline_.get()), SoundRendererName));
    volume = volume_.Get(renderer.get());
    return S_OK;
}
