// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"

#include <chrono>
#include <cstdint>
#include <functional>

// Where playback stands, as the graph reports it: the sinks' answers filtered through what the graph
// knows and they may not yet. Plain C++, so that its rules can be checked without a pipeline.
//
// - The stop position is the file's length; a new answer (a length estimate that grows) moves it.
// - Right after a seek the sinks may still answer with where they were before it, or with the few
//   moments they have played since; the position is the seek's target until an answer fits it, and
//   for a short settling time in any case, so that a stop straight after a rewind stands at 0.
// - The stop position itself is reached only with the end of the stream, never by an answer: a
//   renderer that is done early (the picture, while the sound still plays out) does not end the file.
// - An end of stream counts by one rule (EndOfStream below).
class PositionModel {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;

    explicit PositionModel(Clock clock = [] { return std::chrono::steady_clock::now(); });

    // How long after a seek the position stays at the seek's target.
    std::chrono::milliseconds SeekSettling{100};

    // A graph built anew: at 0, its length not yet known, no end seen.
    void Reset();

    // The length the pipeline answers.
    void Duration(MediaTime duration);
    bool KnowsStop() const { return stop_ >= 0; }
    MediaTime Stop() const { return stop_; }
    // A place before the start or past the end is the start or the end.
    MediaTime Clamp(MediaTime target) const;

    // A seek to the target has been asked for: the target is the position from now on.
    void Seek(MediaTime target);
    // The seek's flush is through: ends posted up to this serial belong to the old segment.
    void FenceEnds(std::uint64_t lastSerial);

    // What an end of stream means.
    enum class End {
        // Posted before the last seek's fence: the segment the seek left ended, not this one.
        Stale,
        // Posted since, while some sink has not taken the end since its last flush: the pipeline
        // posted it for the old segment late, or before the last sink got there. Held back until the
        // sinks all stand at their end (the pipeline may not post that end again), the end is
        // overdue, or the next seek.
        HeldBack,
        // The file's end.
        Ended,
    };
    // The one rule for an end of stream: its place in the bus's order against the fence, and whether
    // every sink stood at its end when it was read. A flush clears a sink's end, so an end that the
    // sinks all stand at belongs to the segment playing now.
    static End Judge(bool postedAfterFence, bool sinksStandAtTheirEnd);
    // Takes an end of stream by that rule and says what it was.
    End EndOfStream(std::uint64_t serial, bool sinksStandAtTheirEnd);
    bool AtEnd() const { return atEnd_; }
    // The sinks answered a place at the end with no end posted: held back as above.
    void HoldEnd() { endHeldBack_ = true; }
    bool EndHeldBack() const { return endHeldBack_; }
    // Whether the sinks' last answer stood at the stop (or past it). A sound server that stalls (a
    // sink it suspended, a device that went) never lets the sound sink finish its end: once the
    // answers have stood at the stop for longer than any sound latency, the end is overdue and is
    // taken without it. A stop that moves on past the answers (a length estimate that grew) starts
    // the wait again.
    void AnsweredAtStop(bool atStop);
    bool EndOverdue() const;
    std::chrono::milliseconds EndGrace{3000};
    // Every sink has taken the end since the last flush: that is the current segment's end.
    void SinksEnded();
    // A stop forgets an end: the next run goes on from the position, the end when playing reached it.
    void ForgetEnd(std::uint64_t lastSerial);

    // What the sinks answered while playing.
    void Observe(MediaTime answer);
    MediaTime Current() const { return atEnd_ ? stop_ : last_; }

private:
    bool FitsSeek(MediaTime answer, TimePoint now) const;

    Clock clock_;
    MediaTime last_ = 0;
    MediaTime stop_ = -1;
    bool atEnd_ = false;
    bool endHeldBack_ = false;
    bool atStop_ = false;
    TimePoint atStopSince_{};
    std::uint64_t endFence_ = 0;
    bool holdSeekTarget_ = false;
    TimePoint seekTime_{};
};
