// SPDX-License-Identifier: GPL-2.0-or-later
// Running, stopping and seeking the GStreamer graph, its positions and the sound's volume; the frame
// size and the video window are the picture's (GraphPicture).

#include "graph/GraphNames.h"
#include "graph/GraphWait.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstIteration.h"

#include <algorithm>

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
    picture_.LetHeldPictureThrough();
    if (picture_.Stale() && ShownPictureTime() <= position_.Current() + StalePictureRemadeWithin) {
        picture_.RemakeStalePicture();
    }
    picture_.ShowUnshownPicture();
    transport_.Start(TransportState::Mode::Running, true);
    picture_.Runs();
    return gst_element_set_state(Pipeline(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
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
    picture_.LetHeldPictureThrough();
    transport_.Start(TransportState::Mode::Paused, true);
    return gst_element_set_state(Pipeline(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
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
    position_.ForgetEnd(host_.Bus().LastSerial());
    if (transport_.Broken()) {
        return S_OK;
    }
    transport_.Stop(!Empty());
    if (Empty()) {
        return S_OK;
    }
    return gst_element_set_state(Pipeline(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
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
    if (transport_.Started() && gst_element_query_position(Pipeline(), GST_FORMAT_TIME, &position) &&
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

void GstFilterGraph::BeginHeldPictureWait() {
    DrainMessages();
    AwaitSettle(TransportState::Awaited::HeldPicture);
}

void GstFilterGraph::WaitForHeldPicture() {
    WaitForAsyncDone(SeekDeadline, TransportState::Awaited::HeldPicture);
}

HRESULT GstFilterGraph::RemakeStillPicture() {
    DrainMessages();
    FinishSeeks();
    picture_.RemakeStalePicture();
    return S_OK;
}

// A picture is made again only standing still, and not while the pipeline is on its way to it (a
// held first picture keeps it so).
bool GstFilterGraph::StandsStillSettled() {
    return transport_.StandsStill() && StateSettled();
}

MediaTime GstFilterGraph::ShownPictureTime() {
    // No picture stands at the place while a seek to it is on its way; the read waits for nothing.
    if (transport_.Seeking()) {
        return -1;
    }
    return picture_.ShownTime();
}

HRESULT GstFilterGraph::get_SourceWidth(std::int32_t& width) {
    width = picture_.FrameWidth();
    return S_OK;
}

HRESULT GstFilterGraph::get_SourceHeight(std::int32_t& height) {
    height = picture_.FrameHeight();
    return S_OK;
}

HRESULT GstFilterGraph::put_Owner(WindowHandle owner) {
    return picture_.SetOwner(owner);
}

HRESULT GstFilterGraph::put_WindowStyle(std::int32_t) {
    // The video window is always a child of its owner; there is no other style to take.
    return S_OK;
}

HRESULT GstFilterGraph::SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                          std::int32_t height) {
    return picture_.Place(left, top, width, height);
}

// The sound renderer is found by its name: the output device's own sound is not the computer's.
HRESULT GstFilterGraph::put_Volume(double volume) {
    GstRef<GstElement> renderer = Adopt(gst_bin_get_by_name(GST_BIN(Pipeline()), SoundRendererName));
    volume_.Set(renderer.get(), volume);
    return S_OK;
}

HRESULT GstFilterGraph::get_Volume(double& volume) {
    GstRef<GstElement> renderer = Adopt(gst_bin_get_by_name(GST_BIN(Pipeline()), SoundRendererName));
    volume = volume_.Get(renderer.get());
    return S_OK;
}
