// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"

#include <array>
#include <chrono>
#include <cstdint>

// Where the graph's transport stands, what it waits for, and the seek on its way: the rules alone, in
// plain C++ so that they can be checked without a pipeline. The graph carries them out on the
// pipeline and asks here whether it runs, rather than reading the pipeline's state back: a pipeline
// on its way between states, or holding its first picture back, answers with neither.
//
// Each wait for the pipeline to settle (a build's preroll, a seek's, the held picture's release) is
// its own and begins at the bus's last serial, its token: only an end of preroll or an error posted
// after that counts for it. One posted before (a pause's own, or that of a seek nobody waits for)
// belongs to something else. A seek asked for during a build's wait leaves the build's wait alone,
// a wait that failed is not made good by a later end of preroll, and a failure of one seek of a
// merged run fails the run, whichever place comes after it.
class TransportState {
public:
    using Clock = std::chrono::steady_clock;

    enum class Mode {
        // Nothing built yet, or emptied: the pipeline is down.
        Empty,
        // The last build failed and the pipeline was taken down: nothing starts it again until the
        // graph is built anew, so that a broken file does not keep failing in the background.
        Broken,
        // A build prerolls.
        Building,
        // Paused, and the next run goes on from the position.
        Stopped,
        Paused,
        Running,
    };
    enum class Settle { Waiting, Done, Failed };
    // What is waited for. The seek's wait is the seek in flight's (below).
    enum class Awaited { Build, Seek, HeldPicture };
    enum class SeekPhase {
        None,
        // A running pipeline is being paused; the seek goes once it has.
        Pausing,
        // Sent; the pipeline prerolls at the target.
        Prerolling,
    };
    // What the seek in flight does next, given what the pipeline has told.
    enum class SeekStep { Wait, Send, Land };

    struct SeekInFlight {
        SeekPhase phase = SeekPhase::None;
        MediaTime target = 0;
        // A place other than the target was asked for since: it is sent once this one lands.
        bool latestWaits = false;
        bool resumePlaying = false;
        bool sent = false;
        // A seek of the merged run failed: the run fails, whichever place comes after it.
        bool failed = false;
        Clock::time_point sentAt{};
    };

    Mode Now() const { return mode_; }
    bool Broken() const { return mode_ == Mode::Broken; }
    // Paused or running: the program's word, whether or not the pipeline is up.
    bool Started() const { return mode_ == Mode::Paused || mode_ == Mode::Running; }
    bool Playing() const { return mode_ == Mode::Running; }
    // Whether the pipeline was brought up (paused or playing, or on its way) and not taken down since.
    // A graph run while it held nothing is started with its pipeline still down.
    bool PipelineUp() const { return up_; }
    // Stopped, and the picture already stands at the position (just prerolled or seeked there): a
    // seek to that very place has nothing to do.
    bool SettledAtPosition() const { return mode_ == Mode::Stopped && atPosition_; }
    // Up, standing still at the program's word, and no seek on its way.
    bool StandsStill() const;

    // A new or emptied pipeline: nothing waited for, no seek.
    void Reset();
    void BuildBegins();
    void BuildEnded(bool prerolled, bool atStart);
    // Run or pause; the pipeline comes up only when it holds anything.
    void Start(Mode wanted, bool holdsAnything);
    void Stop(bool holdsAnything);
    // The pipeline was stopped whole under the graph (a filter taken out of it).
    void TakenDown();
    // A place other than the settled one was asked for.
    void LeavePosition() { atPosition_ = false; }

    // Waits, each known by the bus serial it began at.
    void BeginWait(Awaited awaited, std::uint64_t from);
    void AsyncDone(std::uint64_t serial);
    void Error(std::uint64_t serial);
    // Ends a wait the pipeline will post nothing for (a change of state that completed at once).
    void EndWait(Awaited awaited);
    Settle Outcome(Awaited awaited) const { return WaitFor(awaited).outcome; }
    bool Waiting(Awaited awaited) const { return Outcome(awaited) == Settle::Waiting; }
    // A seek's wait fails when the last seek, or the run it was merged into, failed.
    bool Failed(Awaited awaited) const { return Outcome(awaited) == Settle::Failed; }

    // Seeks. A seek begins clean: only what is posted from now on fails it. Tells whether the pipeline
    // is to be paused for it (it runs, and runs again after).
    bool SeekBegins(std::uint64_t from);
    void PausesForSeek(MediaTime target, Clock::time_point now);
    // The seek goes to the pipeline: its preroll is waited for, unless the run already failed.
    void SeekGoes(MediaTime target, std::uint64_t from, Clock::time_point now);
    void SeekSent(bool sent) { seek_.sent = sent; }
    // Another place was asked for while this one is on its way.
    void PlaceAsked(MediaTime target) { seek_.latestWaits = target != seek_.target; }
    void PlaceAskedAgain() { seek_.latestWaits = true; }
    // A seek that overran its deadline is landed without the place waiting behind it.
    void DropWaitingPlace() { seek_.latestWaits = false; }
    // A pause or a stop lands the seek paused: running again in between would step past its place.
    void LandPaused() { seek_.resumePlaying = false; }
    SeekStep NextSeekStep(bool pauseEnded) const;
    struct Landing {
        // The place that waited is sent now, the pipeline still paused.
        bool sendsNext = false;
        bool resumePlaying = false;
    };
    Landing SeekLands();
    bool Seeking() const { return seek_.phase != SeekPhase::None; }
    const SeekInFlight& Seek() const { return seek_; }

private:
    struct Wait {
        std::uint64_t from = 0;
        Settle outcome = Settle::Done;
    };
    Wait& WaitFor(Awaited awaited) { return waits_[static_cast<std::size_t>(awaited)]; }
    const Wait& WaitFor(Awaited awaited) const { return waits_[static_cast<std::size_t>(awaited)]; }

    Mode mode_ = Mode::Empty;
    bool up_ = false;
    bool atPosition_ = false;
    std::array<Wait, 3> waits_{};
    SeekInFlight seek_;
};
