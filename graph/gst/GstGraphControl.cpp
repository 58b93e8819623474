// Running, seeking, the frame size and the video window of the GStreamer graph.

#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"

#include <algorithm>
#include <gst/video/videooverlay.h>

namespace {

constexpr gint64 NanosecondsPerUnit = 100;
constexpr MediaTime Second = 10'000'000;

} // namespace

HRESULT GstFilterGraph::Run() {
    DrainMessages();
    stopped_ = false;
    settled_ = false;
    if (broken_) {
        return E_FAIL;
    }
    return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                 : S_OK;
}

HRESULT GstFilterGraph::Pause() {
    DrainMessages();
    stopped_ = false;
    settled_ = false;
    if (broken_) {
        return E_FAIL;
    }
    return gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                : S_OK;
}

// Stopping keeps the graph built and the position where it is: the next Run goes on from there.
HRESULT GstFilterGraph::Stop() {
    MediaTime current = 0;
    MediaTime stop = 0;
    GetPositions(current, stop);
    stopped_ = true;
    atEnd_ = false;
    eosFence_ = bus_->LastSerial();
    if (broken_ || ChildrenInOrder(GST_BIN(pipeline_.get())).empty()) {
        return S_OK;
    }
    return gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                                : S_OK;
}

bool GstFilterGraph::FitsSeek(MediaTime answer) const {
    const auto since = std::chrono::steady_clock::now() - seekTime_;
    const MediaTime slack =
        std::chrono::duration_cast<std::chrono::microseconds>(since).count() * 10 + Second / 20;
    return answer >= lastPosition_ - Second / 20 && answer <= lastPosition_ + slack;
}

HRESULT GstFilterGraph::SetTimeFormat(TimeFormat format) {
    return format == TimeFormat::MediaTime ? S_OK : E_INVALIDARG;
}

HRESULT GstFilterGraph::GetStopPosition(MediaTime& stop) {
    MediaTime current = 0;
    return GetPositions(current, stop);
}

HRESULT GstFilterGraph::GetPositions(MediaTime& current, MediaTime& stop) {
    DrainMessages();
    // A graph that holds nothing, or whose build failed, has nothing to play: it stands at its end
    // (both positions 0), so that a list that moves on at the end of each file moves past it.
    if (broken_ || ChildrenInOrder(GST_BIN(pipeline_.get())).empty()) {
        current = 0;
        stop = 0;
        return S_OK;
    }
    if (stopPosition_ < 0) {
        gint64 duration = 0;
        if (gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &duration) && duration >= 0) {
            stopPosition_ = duration / NanosecondsPerUnit;
        }
    }
    if (stopPosition_ < 0) {
        return E_FAIL;
    }
    gint64 position = 0;
    // While the graph is being changed the pipeline may not answer, or answer from a sink that has
    // only just started; the last good answer stands in.
    // Stopped, the position stays where the stop or the last seek left it, whatever the sinks say
    // while they settle.
    if (!stopped_ && !atEnd_ && gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position) &&
        position >= 0) {
        // The stop position itself is reached only with the end of the stream: a renderer that is
        // done early (the picture, while the sound is still playing out) does not end the file.
        const MediaTime answer = std::clamp<MediaTime>(position / NanosecondsPerUnit, 0,
                                                       std::max<MediaTime>(stopPosition_ - 1, 0));
        // Right after a seek the sinks report the few moments they have played since it; the
        // position is where the seek put it until playback has settled, so that a stop straight
        // after a rewind stands at the start, not a fraction of a millisecond past it.
        const bool settling = holdSeekTarget_ && std::chrono::steady_clock::now() - seekTime_ < SeekSettling;
        if (!settling && (!holdSeekTarget_ || FitsSeek(answer))) {
            holdSeekTarget_ = false;
            lastPosition_ = answer;
        }
    }
    if (atEnd_) {
        lastPosition_ = stopPosition_;
    }
    current = lastPosition_;
    stop = stopPosition_;
    return S_OK;
}

HRESULT GstFilterGraph::SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                                     std::uint32_t stopFlags) {
    (void)stop;
    MediaTime now = 0;
    MediaTime end = 0;
    if (Failed(GetPositions(now, end))) {
        return E_FAIL;
    }
    // The stop position is the file's end and stays so; only the current position moves.
    if ((stopFlags & 3) != AM_SEEKING_NoPositioning) {
        return E_NOTIMPL;
    }
    MediaTime target = now;
    switch (currentFlags & 3) {
    case AM_SEEKING_AbsolutePositioning:
        target = current;
        break;
    case AM_SEEKING_RelativePositioning:
        target = now + current;
        break;
    default:
        return S_OK;
    }
    // A place before the start or past the end is the start or the end.
    target = std::clamp<MediaTime>(target, 0, end);
    if (stopped_ && settled_ && target == lastPosition_) {
        return S_OK;
    }
    lastPosition_ = target;
    if (!Running()) {
        // Not prerolled (a build that failed): the place is kept for the next preroll.
        return S_OK;
    }
    Reseek();
    return errorSeen_ ? E_FAIL : S_OK;
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
    const bool sizeChanged = width != window_.Width() || height != window_.Height();
    if (!window_.SetPosition(left, top, width, height)) {
        return E_FAIL;
    }
    RefreshVideo(sizeChanged);
    return S_OK;
}

GstPad* GstFilterGraph::StandardVideoSinkPad() {
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(pipeline_.get()));
    GValue item = G_VALUE_INIT;
    GstPad* found = nullptr;
    while (!found && gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        GstElement* element = GST_ELEMENT(g_value_get_object(&item));
        if (IsStandardVideoSink(GST_OBJECT(element))) {
            found = gst_element_get_static_pad(element, "sink");
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    return found;
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
        GstState state = GST_STATE_NULL;
        gst_element_get_state(pipeline_.get(), &state, nullptr, 0);
        if (state == GST_STATE_PAUSED) {
            MediaTime now = 0;
            MediaTime end = 0;
            GetPositions(now, end);
            Reseek();
        }
    }
    if (overlay) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
}
