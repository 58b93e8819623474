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
    wait_ = {};
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

void TransportState::BeginWait(std::uint64_t from) {
    wait_ = {from, Settle::Waiting};
}

void TransportState::AsyncDone(std::uint64_t serial) {
    if (wait_.outcome == Settle::Waiting && serial > wait_.from) {
        wait_.outcome = Settle::Done;
    }
}

// An error fails the wait it was posted during, and one that has ended too: whatever comes next asks
// whether the pipeline is still sound.
void TransportState::Error(std::uint64_t serial) {
    if (serial > wait_.from) {
        wait_.outcome = Settle::Failed;
    }
}

void TransportState::EndWait() {
    if (wait_.outcome == Settle::Waiting) {
        wait_.outcome = Settle::Done;
    }
}

bool TransportState::SeekBegins(std::uint64_t from) {
    wait_ = {from, Settle::Done};
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
    if (wait_.outcome != Settle::Failed) {
        wait_ = {from, Settle::Waiting};
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
    if (seek_.phase == SeekPhase::Prerolling && wait_.outcome != Settle::Waiting) {
        return SeekStep::Land;
    }
    return SeekStep::Wait;
}

TransportState::Landing TransportState::SeekLands() {
    seek_.failed = seek_.failed || wait_.outcome == Settle::Failed;
    if (seek_.latestWaits && seek_.phase != SeekPhase::None) {
        // The next place waits for its own preroll; a failure of this one is kept for the run.
        wait_.outcome = Settle::Waiting;
        return {true, false};
    }
    if (seek_.failed) {
        wait_.outcome = Settle::Failed;
    }
    const bool landed = seek_.sent && wait_.outcome == Settle::Done;
    seek_.phase = SeekPhase::None;
    seek_.latestWaits = false;
    seek_.failed = false;
    if (mode_ == Mode::Stopped) {
        atPosition_ = landed && !seek_.resumePlaying;
    }
    return {false, seek_.resumePlaying};
}
