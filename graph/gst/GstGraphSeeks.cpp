// SPDX-License-Identifier: GPL-2.0-or-later
// Seeking the GStreamer graph. A seek is sent and the call returns; the pipeline prerolls at the new
// place meanwhile. Seeks asked for while one is on its way are merged: at most one is in flight,
// and only the latest place asked for waits behind it, sent once the one in flight has landed. A
// drag of the seek bar, which seeks at every step, so costs one preroll at a time however slow the
// disk, and ends with an accurate seek to where the thumb was let go. Whatever needs the pipeline
// settled (running, pausing, stopping, changing the graph) first waits for the seeks to land.

#include "graph/GraphWait.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"

#include <algorithm>

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

constexpr gint64 NanosecondsPerUnit = 100;

// The pipeline's end of preroll, or its own change of state: a pause may have ended.
bool PauseMayHaveEnded(GstElement* pipeline, GstMessage* message) {
    return GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(pipeline) &&
           (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE ||
            GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED);
}

} // namespace

HRESULT GstFilterGraph::SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                                     std::uint32_t stopFlags) {
    (void)stop;
    // A seek already on its way is taken as far as it has come, so that this place merges with it;
    // not inside another wait of the graph, which takes the messages in its own turn.
    if (!GraphWait::Underway()) {
        DrainMessages();
    }
    MediaTime now = 0;
    MediaTime end = 0;
    // While a seek is in flight this is the latest place asked for, so that relative seeks add up.
    if (Failed(ReadPositions(now, end))) {
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
    if (transport_.SettledAtPosition() && target == position_.Current()) {
        return S_OK;
    }
    position_.Seek(target);
    transport_.LeavePosition();
    if (!PipelineUp()) {
        // Not prerolled (a build that failed): the place is kept for the next preroll.
        return S_OK;
    }
    if (transport_.Seeking()) {
        if (std::chrono::steady_clock::now() - transport_.Seek().sentAt < SeekDeadline) {
            // The place sent last may be asked for again (the end of a drag repeats the release's).
            transport_.PlaceAsked(target);
            return S_OK;
        }
        AddProblem("the pipeline did not preroll in time");
        transport_.DropWaitingPlace();
        SeekLanded();
    }
    return StartSeek() && !transport_.Failed(TransportState::Awaited::Seek) ? S_OK : E_FAIL;
}

void GstFilterGraph::Reseek() {
    if (transport_.Seeking()) {
        transport_.PlaceAskedAgain();
    } else {
        // The place is taken before the bus is read: an end read now is the end of the segment this
        // seek leaves (a slow sound sink posts it late), and must not turn the seek into one to the end.
        const MediaTime target = position_.Current();
        DrainMessages();
        position_.Seek(target);
        StartSeek();
    }
    FinishSeeks();
}

bool GstFilterGraph::StartSeek() {
    picture_.SeekMakesPicture();
    const bool resumePlaying = transport_.SeekBegins(host_.Bus().LastSerial());
    host_.ArmSeekWatch();
    if (resumePlaying && gst_element_set_state(Pipeline(), GST_STATE_PAUSED) == GST_STATE_CHANGE_ASYNC) {
        // The pause's own end of preroll comes before the pipeline posts that it has paused: the seek
        // is sent only then, so that it cannot pass for the end of the seek's.
        transport_.PausesForSeek(position_.Current(), std::chrono::steady_clock::now());
        return true;
    }
    return SendSeek();
}

bool GstFilterGraph::SendSeek(SeekWait wait) {
    const MediaTime target = position_.Current();
    transport_.SeekGoes(target, host_.Bus().LastSerial(), std::chrono::steady_clock::now());
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, programStreams_.StartFor(static_cast<guint64>(target * NanosecondsPerUnit)),
        GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    GST_INFO_OBJECT(Pipeline(), "seek to %" GST_TIME_FORMAT " (seqnum %u)%s",
                    GST_TIME_ARGS(target * NanosecondsPerUnit), gst_event_get_seqnum(seek),
                    transport_.Seek().resumePlaying ? ", paused for it" : "");
    const bool sent = gst_element_send_event(Pipeline(), seek);
    transport_.SeekSent(sent);
    // Only a pipeline with a sink prerolls again; without one there is nothing to wait for.
    if (!sent || wait == SeekWait::None || !GST_OBJECT_FLAG_IS_SET(Pipeline(), GST_ELEMENT_FLAG_SINK)) {
        transport_.EndWait(TransportState::Awaited::Seek);
        SeekLanded();
    }
    return sent;
}

void GstFilterGraph::FollowSeek(GstMessage* message) {
    // Messages are taken in the order posted, so the pause's own end of preroll is taken by then.
    const bool pausing = transport_.Seek().phase == TransportState::SeekPhase::Pausing;
    TakeSeekStep(
        transport_.NextSeekStep(pausing && PauseMayHaveEnded(Pipeline(), message) && StateSettled()));
}

// A read may have taken the messages FollowSeek would have acted on; what they told is noted, and
// the pipeline's state tells the rest.
void GstFilterGraph::MoveSeekOn() {
    const bool pausing = transport_.Seek().phase == TransportState::SeekPhase::Pausing;
    TakeSeekStep(transport_.NextSeekStep(pausing && StateSettled()));
}

void GstFilterGraph::TakeSeekStep(TransportState::SeekStep step) {
    if (step == TransportState::SeekStep::Send) {
        SendSeek();
    } else if (step == TransportState::SeekStep::Land) {
        SeekLanded();
    }
}

void GstFilterGraph::SeekLanded() {
    // The fence goes up once the pipeline has prerolled at the new place and before it runs again:
    // a paused sink holds the new segment's end until it plays, so every end posted up to now is the
    // old segment's. A sink that was still playing out the old segment (a slow sound server holds a
    // second or more) posts its end during the pause and the flush, under whatever number the
    // demuxer gave it, not always the last seek's.
    position_.FenceEnds(host_.Bus().LastSerial());
    GST_INFO_OBJECT(Pipeline(),
                    "landed at the new place; ends up to %" G_GUINT64_FORMAT " are the old segment's",
                    host_.Bus().LastSerial());
    const TransportState::Landing landing = transport_.SeekLands();
    if (landing.sendsNext) {
        // The pipeline stays paused between the two.
        SendSeek();
        return;
    }
    host_.DisarmSeekWatch();
    if (landing.resumePlaying) {
        gst_element_set_state(Pipeline(), GST_STATE_PLAYING);
    }
}

bool GstFilterGraph::FinishSeeks() {
    while (transport_.Seeking()) {
        const auto sentAt = transport_.Seek().sentAt;
        const auto left = std::max(std::chrono::milliseconds(0),
                                   std::chrono::duration_cast<std::chrono::milliseconds>(
                                       sentAt + SeekDeadline - std::chrono::steady_clock::now()));
        if (!WaitOnBus(left, [this, sentAt] {
                MoveSeekOn();
                return !transport_.Seeking() || transport_.Seek().sentAt != sentAt;
            })) {
            AddProblem("the pipeline did not preroll in time");
            transport_.DropWaitingPlace();
            SeekLanded();
            return false;
        }
    }
    return !transport_.Failed(TransportState::Awaited::Seek);
}
