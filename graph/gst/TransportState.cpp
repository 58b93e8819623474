// SPDX-License-Identifier: GPL-2.0-or-later
// The graph's transport rules: what the program asked for, the waits for the pipeline to settle, and
// the seek on its way.

#include "graph/gst/TransportState.h"

bool TransportState::StandsStill() const {
    return up_ && (mode_ == Mode::Stopped || mode_ == Mode::Paused) && !Seeking();
}

void TransportState::Reset() {
    *this = TransportState{};
}

void TransportState::BuildBegins() {
    mode_ = Mode::Building;
    up_ = true;
    atPosition_ = false;
}

void TransportState::BuildEnded(bool prerolled, bool atStart) {
    if (prerolled) {
        mode_ = Mode::Stopped;
        atPosition_ = atStart;
        return;
    }
    // The pipeline was taken down whole; what it posted on the way down fails nothing that follows.
    mode_ = Mode::Broken;
    up_ = false;
    waits_ = {};
}

void TransportState::Start(Mode wanted, bool holdsAnything) {
    mode_ = wanted;
    up_ = up_ || holdsAnything;
}

void TransportState::Stop(bool holdsAnything) {
    if (mode_ == Mode::Broken) {
        return;
    }
    mode_ = Mode::Stopped;
    atPosition_ = false;
    up_ = up_ || holdsAnything;
}

void TransportState::TakenDown() {
    up_ = false;
    if (mode_ != Mode::Broken) {
        mode_ = Mode::Stopped;
        atPosition_ = false;
    }
}

void TransportState::BeginWait(Awaited awaited, std::uint64_t from) {
    WaitFor(awaited) = {from, Settle::Waiting};
}

// A seek's preroll during a build's is the build's too: one end of preroll settles both.
void TransportState::AsyncDone(std::uint64_t serial) {
    for (Wait& wait : waits_) {
        if (wait.outcome == Settle::Waiting && serial > wait.from) {
            wait.outcome = Settle::Done;
        }
    }
}

// An error fails the waits it was posted during, and those that have ended too: whatever comes next
// asks whether the pipeline is still sound.
void TransportState::Error(std::uint64_t serial) {
    for (Wait& wait : waits_) {
        if (serial > wait.from) {
            wait.outcome = Settle::Failed;
        }
    }
}

void TransportState::EndWait(Awaited awaited) {
    if (Wait& wait = WaitFor(awaited); wait.outcome == Settle::Waiting) {
        wait.outcome = Settle::Done;
    }
}

bool TransportState::SeekBegins(std::uint64_t from) {
    WaitFor(Awaited::Seek) = {from, Settle::Done};
    // A running pipeline is paused for the seek and run again after it: a flushing seek while
    // playing resets the running time only once the sinks have prerolled, and a stop or pause that
    // comes in between would otherwise resume at the old running time, skipping ahead.
    seek_.resumePlaying = Playing();
    return seek_.resumePlaying;
}

void TransportState::PausesForSeek(MediaTime target, Clock::time_point now) {
    seek_.phase = SeekPhase::Pausing;
    seek_.target = target;
    seek_.latestWaits = false;
    seek_.sentAt = now;
}

void TransportState::SeekGoes(MediaTime target, std::uint64_t from, Clock::time_point now) {
    // A failure while the pipeline paused for the seek is the seek's.
    if (Wait& wait = WaitFor(Awaited::Seek); wait.outcome != Settle::Failed) {
        wait = {from, Settle::Waiting};
    }
    seek_.phase = SeekPhase::Prerolling;
    seek_.target = target;
    seek_.latestWaits = false;
    seek_.sentAt = now;
}

TransportState::SeekStep TransportState::NextSeekStep(bool pauseEnded) const {
    if (seek_.phase == SeekPhase::Pausing && pauseEnded) {
        return SeekStep::Send;
    }
    if (seek_.phase == SeekPhase::Prerolling && !Waiting(Awaited::Seek)) {
        return SeekStep::Land;
    }
    return SeekStep::Wait;
}

TransportState::Landing TransportState::SeekLands() {
    Wait& wait = WaitFor(Awaited::Seek);
    seek_.failed = seek_.failed || wait.outcome == Settle::Failed;
    if (seek_.latestWaits && seek_.phase != SeekPhase::None) {
        // The next place waits for its own preroll; a failure of this one is kept for the run.
        wait.outcome = Settle::Waiting;
        return {true, false};
    }
    if (seek_.failed) {
        wait.outcome = Settle::Failed;
    }
    const bool landed = seek_.sent && wait.outcome == Settle::Done;
    seek_.phase = SeekPhase::None;
    seek_.latestWaits = false;
    seek_.failed = false;
    if (mode_ == Mode::Stopped) {
        atPosition_ = landed && !seek_.resumePlaying;
    }
    return {false, seek_.resumePlaying};
}
