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
    if (transport_ == Transport::Settled && target == position_.Current()) {
        return S_OK;
    }
    position_.Seek(target);
    if (transport_ == Transport::Settled) {
        transport_ = Transport::Stopped;
    }
    if (!Running()) {
        // Not prerolled (a build that failed): the place is kept for the next preroll.
        return S_OK;
    }
    if (seek_.phase != SeekPhase::None) {
        if (std::chrono::steady_clock::now() - seek_.sentAt < SeekDeadline) {
            // The place sent last may be asked for again (the end of a drag repeats the release's).
            seek_.latestWaits = target != seek_.target;
            return S_OK;
        }
        AddProblem("the pipeline did not preroll in time");
        seek_.latestWaits = false;
        SeekLanded();
    }
    return StartSeek() && settle_ != Settle::Failed ? S_OK : E_FAIL;
}

void GstFilterGraph::Reseek() {
    if (seek_.phase != SeekPhase::None) {
        seek_.latestWaits = true;
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
    // The seek's preroll makes the picture at the window's size, and draws it.
    pictureStale_ = false;
    pictureUnshown_ = false;
    settle_ = Settle::Done;
    // A running pipeline is paused for the seek and run again after it: a flushing seek while
    // playing resets the running time only once the sinks have prerolled, and a stop or pause that
    // comes in between would otherwise resume at the old running time, skipping ahead.
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &state, &pending, 0);
    seek_.resumePlaying = (pending == GST_STATE_VOID_PENDING ? state : pending) == GST_STATE_PLAYING;
    seekWatch_->Arm();
    if (seek_.resumePlaying &&
        gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_ASYNC) {
        // The pause's own end of preroll comes before the pipeline posts that it has paused: the seek
        // is sent only then, so that it cannot pass for the end of the seek's.
        seek_.phase = SeekPhase::Pausing;
        seek_.target = position_.Current();
        seek_.latestWaits = false;
        seek_.sentAt = std::chrono::steady_clock::now();
        return true;
    }
    return SendSeek();
}

bool GstFilterGraph::SendSeek() {
    if (settle_ != Settle::Failed) {
        AwaitSettle();
    }
    seek_.phase = SeekPhase::Prerolling;
    seek_.target = position_.Current();
    seek_.latestWaits = false;
    seek_.sentAt = std::chrono::steady_clock::now();
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, programStreams_.StartFor(static_cast<guint64>(seek_.target * NanosecondsPerUnit)),
        GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    GST_INFO_OBJECT(pipeline_.get(), "seek to %" GST_TIME_FORMAT " (seqnum %u)%s",
                    GST_TIME_ARGS(seek_.target * NanosecondsPerUnit), gst_event_get_seqnum(seek),
                    seek_.resumePlaying ? ", paused for it" : "");
    seek_.sent = gst_element_send_event(pipeline_.get(), seek);
    // Only a pipeline with a sink prerolls again; without one there is nothing to wait for.
    if (!seek_.sent || !GST_OBJECT_FLAG_IS_SET(pipeline_.get(), GST_ELEMENT_FLAG_SINK)) {
        if (settle_ == Settle::Waiting) {
            settle_ = Settle::Done;
        }
        SeekLanded();
    }
    return seek_.sent;
}

void GstFilterGraph::FollowSeek(GstMessage* message) {
    // Messages are taken in the order posted, so the pause's own end of preroll is taken by then.
    if (seek_.phase == SeekPhase::Pausing && PauseMayHaveEnded(pipeline_.get(), message) && StateSettled()) {
        SendSeek();
    } else if (seek_.phase == SeekPhase::Prerolling && settle_ != Settle::Waiting) {
        SeekLanded();
    }
}

// A read may have taken the messages FollowSeek would have acted on; what they told is noted, and
// the pipeline's state tells the rest.
void GstFilterGraph::MoveSeekOn() {
    if (seek_.phase == SeekPhase::Pausing && StateSettled()) {
        SendSeek();
    } else if (seek_.phase == SeekPhase::Prerolling && settle_ != Settle::Waiting) {
        SeekLanded();
    }
}

void GstFilterGraph::SeekLanded() {
    // The fence goes up once the pipeline has prerolled at the new place and before it runs again:
    // a paused sink holds the new segment's end until it plays, so every end posted up to now is the
    // old segment's. A sink that was still playing out the old segment (a slow sound server holds a
    // second or more) posts its end during the pause and the flush, under whatever number the
    // demuxer gave it, not always the last seek's.
    position_.FenceEnds(bus_->LastSerial());
    GST_INFO_OBJECT(pipeline_.get(),
                    "landed at the new place; ends up to %" G_GUINT64_FORMAT " are the old segment's",
                    bus_->LastSerial());
    seek_.failed = seek_.failed || settle_ == Settle::Failed;
    if (seek_.latestWaits && seek_.phase != SeekPhase::None) {
        // The pipeline stays paused between the two. The next place waits for its own preroll; a
        // failure of this one is kept for the run.
        AwaitSettle();
        SendSeek();
        return;
    }
    if (seek_.failed) {
        settle_ = Settle::Failed;
    }
    const bool landed = seek_.sent && settle_ == Settle::Done;
    seek_.phase = SeekPhase::None;
    seek_.latestWaits = false;
    seek_.failed = false;
    seekWatch_->Disarm();
    if (seek_.resumePlaying) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    if (transport_ == Transport::Stopped || transport_ == Transport::Settled) {
        transport_ = landed && !seek_.resumePlaying ? Transport::Settled : Transport::Stopped;
    }
}

bool GstFilterGraph::FinishSeeks() {
    while (seek_.phase != SeekPhase::None) {
        const auto sentAt = seek_.sentAt;
        const auto left = std::max(std::chrono::milliseconds(0),
                                   std::chrono::duration_cast<std::chrono::milliseconds>(
                                       sentAt + SeekDeadline - std::chrono::steady_clock::now()));
        if (!WaitOnBus(left, [this, sentAt] {
                MoveSeekOn();
                return seek_.phase == SeekPhase::None || seek_.sentAt != sentAt;
            })) {
            AddProblem("the pipeline did not preroll in time");
            seek_.latestWaits = false;
            SeekLanded();
            return false;
        }
    }
    return settle_ != Settle::Failed;
}
