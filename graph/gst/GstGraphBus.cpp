// SPDX-License-Identifier: GPL-2.0-or-later
// The GStreamer graph's bus: the messages the pipeline posts, taken on the user-interface thread,
// and the waits for the pipeline to preroll after a build or a seek.

#include "core/StartupMarks.h"
#include "graph/GraphWait.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstIteration.h"

#include <algorithm>
#include <gst/base/gstbasesink.h>
#include <gst/base/gstbasetransform.h>
#include <mutex>

GST_DEBUG_CATEGORY(tarnwick_graph_debug);
#define GST_CAT_DEFAULT tarnwick_graph_debug

void InitGraphLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        GST_DEBUG_CATEGORY_INIT(tarnwick_graph_debug, "tarnwick", 0, "Tarnwick's playback graph");
    });
}

namespace {

constexpr gint64 NanosecondsPerUnit = 100;

// A converter whose output is asked to negotiate again (after the video window changed size) warns
// "not negotiated" when a flush reaches it in the middle: a flushing seek sent to the pipeline goes
// to every sink, so the demuxer may flush twice and the first new frame is caught by the second
// flush. Nothing is lost (the converter negotiates on its next frame), and a negotiation that truly
// fails stops the stream with an error, which is kept.
bool IsHarmlessRenegotiationWarning(GstMessage* message, const GError* warning) {
    return warning && warning->domain == GST_STREAM_ERROR && warning->code == GST_STREAM_ERROR_FORMAT &&
           GST_IS_BASE_TRANSFORM(GST_MESSAGE_SRC(message)) &&
           g_strcmp0(warning->message, "not negotiated") == 0;
}

} // namespace

std::vector<std::string> GstFilterGraph::Problems() {
    DrainMessages(false);
    return problems_;
}

void GstFilterGraph::AddProblem(std::string text) {
    GST_WARNING_OBJECT(Pipeline(), "%s", text.c_str());
    // A window open for hours meets many files; only the most recent problems say anything.
    if (problems_.size() >= KeptProblems) {
        problems_.erase(problems_.begin(),
                        problems_.begin() + static_cast<long>(problems_.size() - KeptProblems + 1));
    }
    problems_.push_back(std::move(text));
}

void GstFilterGraph::DumpPipeline(const char* why) {
    GST_DEBUG_BIN_TO_DOT_FILE_WITH_TS(GST_BIN(Pipeline()), GST_DEBUG_GRAPH_SHOW_ALL, why);
}

void GstFilterGraph::HandleMessage(const PipelineBus::Posted& posted, bool moveOn) {
    GstMessage* message = posted.message.get();
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        OnError(message, posted.serial);
        break;
    case GST_MESSAGE_WARNING:
        OnWarning(message);
        break;
    case GST_MESSAGE_EOS:
        OnEndOfStream(posted.serial);
        break;
    case GST_MESSAGE_ASYNC_DONE:
        OnAsyncDone(posted.serial);
        break;
    default:
        break;
    }
    if (moveOn && transport_.Seeking()) {
        FollowSeek(message);
    }
}

void GstFilterGraph::OnError(GstMessage* message, std::uint64_t serial) {
    ErrorRef error;
    gst_message_parse_error(message, OutParam(error), nullptr);
    // A sound server that went away is waited for (see SoundServerReturn.cpp); it fails nothing.
    if (NoteSoundServerAway(message, error.get())) {
        AddProblem("the sound server went away: " + std::string(error ? error->message : "unknown"));
        return;
    }
    AddProblem("error from " + ObjectName(GST_MESSAGE_SRC(message)) + ": " +
               (error ? error->message : "unknown"));
    transport_.Error(serial);
    DumpPipeline("tarnwick-error");
}

void GstFilterGraph::OnWarning(GstMessage* message) {
    ErrorRef warning;
    gst_message_parse_warning(message, OutParam(warning), nullptr);
    NoteSoundServerAway(message, warning.get());
    if (!IsHarmlessRenegotiationWarning(message, warning.get())) {
        AddProblem("warning from " + ObjectName(GST_MESSAGE_SRC(message)) + ": " +
                   (warning ? warning->message : "unknown"));
    }
}

void GstFilterGraph::OnEndOfStream(std::uint64_t serial) {
    // The pipeline can post an end its sinks have since flushed away: a slow sink posts the old
    // segment's end after a seek, or the pipeline collects the ends its sinks reached at different
    // times and posts them only when it next plays. Only sinks that stand at their end now make the
    // end of the file.
    switch (position_.EndOfStream(serial, SinksStandAtTheirEnd())) {
    case PositionModel::End::Stale:
        GST_INFO_OBJECT(Pipeline(), "end of stream %" G_GUINT64_FORMAT " is the old segment's", serial);
        break;
    case PositionModel::End::HeldBack:
        GST_INFO_OBJECT(Pipeline(), "end of stream %" G_GUINT64_FORMAT ": the sinks were flushed since",
                        serial);
        break;
    case PositionModel::End::Ended: {
        const gint64 position = FollowTheEnd();
        GST_INFO_OBJECT(Pipeline(), "end of stream %" G_GUINT64_FORMAT " at %" GST_TIME_FORMAT, serial,
                        GST_TIME_ARGS(position));
        break;
    }
    }
}

// An end the pipeline held back is taken once every sink stands at it.
void GstFilterGraph::TakeHeldBackEnd() {
    if (!position_.EndHeldBack()) {
        return;
    }
    if (SinksStandAtTheirEnd()) {
        const gint64 position = FollowTheEnd();
        GST_INFO_OBJECT(Pipeline(), "the sinks stand at their end at %" GST_TIME_FORMAT,
                        GST_TIME_ARGS(position));
        position_.SinksEnded();
    } else if (position_.EndOverdue()) {
        const gint64 position = FollowTheEnd();
        GST_WARNING_OBJECT(Pipeline(),
                           "a sink has not finished the end of its stream at %" GST_TIME_FORMAT
                           " long after the others: the end is taken without it",
                           GST_TIME_ARGS(position));
        position_.SinksEnded();
    }
}

// The length is certain at the end: an estimate that grew on the way (an MPEG program stream, a sound
// stream of varying rate without an index) may still be short, and then the place the sinks stopped
// at is the true length. Returns that place.
gint64 GstFilterGraph::FollowTheEnd() {
    ReadDuration();
    gint64 position = 0;
    if (gst_element_query_position(Pipeline(), GST_FORMAT_TIME, &position) &&
        position / NanosecondsPerUnit > position_.Stop()) {
        position_.Duration(position / NanosecondsPerUnit);
    }
    return position;
}

bool GstFilterGraph::SinksStandAtTheirEnd() {
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(Pipeline())))) {
        if (!GST_IS_BASE_SINK(element.get())) {
            continue;
        }
        // A base sink marks its end under its object lock once it has taken the end of its stream,
        // and clears the mark when it is flushed.
        GstBaseSink* sink = GST_BASE_SINK(element.get());
        GST_OBJECT_LOCK(sink);
        const bool ended = sink->eos;
        GST_OBJECT_UNLOCK(sink);
        if (!ended) {
            GST_DEBUG_OBJECT(Pipeline(), "%s has not taken the end of its stream",
                             GST_OBJECT_NAME(element.get()));
            return false;
        }
    }
    return true;
}

void GstFilterGraph::OnAsyncDone(std::uint64_t serial) {
    transport_.AsyncDone(serial);
}

void GstFilterGraph::AwaitSettle(TransportState::Awaited awaited) {
    transport_.BeginWait(awaited, host_.Bus().LastSerial());
}

// A length that was only an estimate has changed, or is first asked for: the stop position follows
// it, so that the file is not pinned short of its end.
void GstFilterGraph::ReadDuration() {
    gint64 duration = 0;
    if (gst_element_query_duration(Pipeline(), GST_FORMAT_TIME, &duration) && duration >= 0) {
        position_.Duration(duration / NanosecondsPerUnit);
    }
}

void GstFilterGraph::DrainMessages(bool moveOn) {
    for (auto posted = host_.Bus().TryPop(); posted.message; posted = host_.Bus().TryPop()) {
        HandleMessage(posted, moveOn);
    }
    if (moveOn) {
        MoveSeekOn();
    }
}

bool GstFilterGraph::WaitOnBus(std::chrono::milliseconds deadline, const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    GraphWait wait(WaitListener(), host_.Bus().News());
    for (;;) {
        host_.Bus().ClearNews();
        for (auto posted = host_.Bus().TryPop(); posted.message; posted = host_.Bus().TryPop()) {
            HandleMessage(posted);
            if (done()) {
                return true;
            }
        }
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        wait.Sleep(until);
    }
}

bool GstFilterGraph::StateSettled() const {
    return gst_element_get_state(Pipeline(), nullptr, nullptr, 0) != GST_STATE_CHANGE_ASYNC;
}

bool GstFilterGraph::WaitForAsyncDone(std::chrono::milliseconds deadline, TransportState::Awaited awaited,
                                      bool heldPictureEnds) {
    const auto settled = [this, awaited, heldPictureEnds] {
        if (transport_.Waiting(awaited) && heldPictureEnds && PrerolledBehindHeldPicture()) {
            transport_.EndWait(awaited);
        }
        return !transport_.Waiting(awaited);
    };
    if (!WaitOnBus(deadline, settled)) {
        AddProblem("the pipeline did not preroll in time");
        return false;
    }
    return transport_.Outcome(awaited) == TransportState::Settle::Done;
}

// The build is done once its first picture is decoded and held and every other sink has prerolled:
// what could fail in the build has been tried, and the frame size is known.
bool GstFilterGraph::PrerolledBehindHeldPicture() {
    if (!picture_.HoldsFirstPicture()) {
        return false;
    }
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(Pipeline())))) {
        if (!GST_IS_BASE_SINK(element.get()) || picture_.HoldsFirstPictureFor(element.get())) {
            continue;
        }
        GstState state = GST_STATE_NULL;
        if (gst_element_get_state(element.get(), &state, nullptr, 0) != GST_STATE_CHANGE_SUCCESS ||
            state < GST_STATE_PAUSED) {
            return false;
        }
    }
    MarkStartupOnce("graph prerolled behind the held picture");
    return true;
}

HRESULT GstFilterGraph::Preroll() {
    DrainMessages();
    transport_.BuildBegins();
    AwaitSettle(TransportState::Awaited::Build);
    const auto until = std::chrono::steady_clock::now() + BuildDeadline;
    const std::optional<GstStateChangeReturn> change =
        host_.ChangeStateWithin(Pipeline(), GST_STATE_PAUSED, until);
    if (!change) {
        // The source's open never returned: the pipeline is left to the thread caught in it.
        AddProblem("the file did not open in time");
        EmptyGraphReset();
        transport_.BuildEnded(false, false);
        return VFW_E_CANNOT_RENDER;
    }
    bool ready = *change != GST_STATE_CHANGE_FAILURE;
    if (ready && *change == GST_STATE_CHANGE_ASYNC) {
        ready = WaitForAsyncDone(
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()),
            TransportState::Awaited::Build, true);
    } else if (ready) {
        transport_.EndWait(TransportState::Awaited::Build);
    }
    DrainMessages();
    if (!ready || transport_.Failed(TransportState::Awaited::Build)) {
        GST_WARNING_OBJECT(Pipeline(), "the build did not preroll; the pipeline is taken down");
        DumpPipeline("tarnwick-build-failed");
        // A pipeline that failed is taken down whole, so that nothing of it keeps running; the
        // filters stay for whoever looks or empties the graph. A build caught in a read that does not
        // come back cannot be taken down: it is left to stop on its own, and the graph is empty.
        if (!StopWithin(Pipeline())) {
            EmptyGraphReset();
        }
        DrainMessages();
        transport_.BuildEnded(false, false);
        return VFW_E_CANNOT_RENDER;
    }
    transport_.BuildEnded(true, position_.Current() == 0);
    return S_OK;
}
