// SPDX-License-Identifier: GPL-2.0-or-later
// The graph's transport rules on their own: no pipeline, the bus serials given by the test.

#include "graph/gst/TransportState.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using Awaited = TransportState::Awaited;
using Mode = TransportState::Mode;
using Settle = TransportState::Settle;
using Step = TransportState::SeekStep;

// What the graph asks of the machine after each way of getting there.
TEST(TransportStateTest, EachWordLeavesTheStateTheGraphAsksAbout) {
    const auto built = [](TransportState& t, bool atStart) { t.BuildBegins(), t.BuildEnded(true, atStart); };
    const struct {
        const char* what;
        std::function<void(TransportState&)> steps;
        Mode mode;
        bool up;
        bool settledAtPosition;
        bool standsStill;
    } cases[] = {
        {"new", [](TransportState&) {}, Mode::Empty, false, false, false},
        {"built at the start", [&](TransportState& t) { built(t, true); }, Mode::Stopped, true, true, true},
        {"built to resume", [&](TransportState& t) { built(t, false); }, Mode::Stopped, true, false, true},
        {"build failed", [](TransportState& t) { t.BuildBegins(), t.BuildEnded(false, false); }, Mode::Broken,
         false, false, false},
        {"broken, then stopped", [](TransportState& t) { t.BuildEnded(false, false), t.Stop(true); },
         Mode::Broken, false, false, false},
        {"run while empty", [](TransportState& t) { t.Start(Mode::Running, false); }, Mode::Running, false,
         false, false},
        {"built, run", [&](TransportState& t) { built(t, true), t.Start(Mode::Running, true); },
         Mode::Running, true, false, false},
        {"built, paused", [&](TransportState& t) { built(t, true), t.Start(Mode::Paused, true); },
         Mode::Paused, true, false, true},
        {"settled, run, stopped",
         [&](TransportState& t) { built(t, true), t.Start(Mode::Running, true), t.Stop(true); },
         Mode::Stopped, true, false, true},
        {"running, taken down",
         [&](TransportState& t) { built(t, true), t.Start(Mode::Running, true), t.TakenDown(); },
         Mode::Stopped, false, false, false},
        {"settled, another place", [&](TransportState& t) { built(t, true), t.LeavePosition(); },
         Mode::Stopped, true, false, true},
        {"seeking while paused",
         [&](TransportState& t) { built(t, true), t.Start(Mode::Paused, true), t.SeekGoes(0, 1, {}); },
         Mode::Paused, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TransportState transport;
        c.steps(transport);
        EXPECT_EQ(transport.Now(), c.mode);
        EXPECT_EQ(transport.PipelineUp(), c.up);
        EXPECT_EQ(transport.SettledAtPosition(), c.settledAtPosition);
        EXPECT_EQ(transport.StandsStill(), c.standsStill);
        EXPECT_EQ(transport.Started(), c.mode == Mode::Paused || c.mode == Mode::Running);
    }
}

TEST(TransportStateTest, AWaitIsSettledOnlyByWhatWasPostedAfterItBeganAndStaysFailed) {
    TransportState transport;
    transport.BeginWait(Awaited::Build, 10);
    transport.AsyncDone(10);
    EXPECT_TRUE(transport.Waiting(Awaited::Build)) << "an end of preroll posted before the wait is another's";
    transport.Error(9);
    EXPECT_TRUE(transport.Waiting(Awaited::Build));
    // A seek asked for during the build waits on its own, and its end of preroll is the build's too.
    transport.SeekBegins(11);
    transport.SeekGoes(3, 11, {});
    EXPECT_TRUE(transport.Waiting(Awaited::Build));
    transport.AsyncDone(12);
    EXPECT_EQ(transport.Outcome(Awaited::Build), Settle::Done);
    EXPECT_EQ(transport.NextSeekStep(false), Step::Land);
    transport.SeekLands();
    // A failed wait stays failed, whatever comes after it.
    transport.BeginWait(Awaited::HeldPicture, 12);
    transport.Error(13);
    transport.AsyncDone(14);
    transport.EndWait(Awaited::HeldPicture);
    EXPECT_TRUE(transport.Failed(Awaited::HeldPicture));
    transport.SeekBegins(14);
    EXPECT_TRUE(transport.Failed(Awaited::HeldPicture)) << "a seek begins only its own wait";
}

TEST(TransportStateTest, ARunningSeekPausesFirstAndAFailureOfItsPauseFailsItWithoutAWait) {
    TransportState transport;
    transport.Start(Mode::Running, true);
    ASSERT_TRUE(transport.SeekBegins(20));
    transport.PausesForSeek(5, {});
    EXPECT_EQ(transport.NextSeekStep(false), Step::Wait);
    EXPECT_EQ(transport.NextSeekStep(true), Step::Send);
    transport.Error(21);
    transport.SeekGoes(5, 22, {});
    transport.SeekSent(true);
    EXPECT_EQ(transport.NextSeekStep(false), Step::Land);
    const auto landing = transport.SeekLands();
    EXPECT_TRUE(landing.resumePlaying);
    EXPECT_FALSE(transport.Seeking());
    EXPECT_TRUE(transport.Failed(Awaited::Seek));
}

TEST(TransportStateTest, AFailedSeekFailsTheMergedRunAndOnlyAStoppedSeekThatLandedSettles) {
    for (const bool firstFails : {false, true}) {
        SCOPED_TRACE(firstFails ? "the first seek fails" : "both land");
        TransportState transport;
        transport.BuildEnded(true, true);
        transport.LeavePosition();
        ASSERT_FALSE(transport.SeekBegins(1));
        transport.SeekGoes(5, 1, {});
        transport.SeekSent(true);
        transport.PlaceAsked(8);
        if (firstFails) {
            transport.Error(2);
        } else {
            transport.AsyncDone(2);
        }
        ASSERT_TRUE(transport.SeekLands().sendsNext);
        transport.SeekGoes(8, 3, {});
        EXPECT_TRUE(transport.Waiting(Awaited::Seek)) << "the next place waits for its own preroll";
        transport.AsyncDone(4);
        ASSERT_EQ(transport.NextSeekStep(false), Step::Land);
        EXPECT_FALSE(transport.SeekLands().sendsNext);
        EXPECT_EQ(transport.Failed(Awaited::Seek), firstFails);
        EXPECT_EQ(transport.SettledAtPosition(), !firstFails);
    }
}

} // namespace
