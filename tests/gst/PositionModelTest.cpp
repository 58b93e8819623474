// SPDX-License-Identifier: GPL-2.0-or-later
// Where playback stands, checked on its own with a clock the test moves: no pipeline, no sleeps.

#include "graph/gst/PositionModel.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr MediaTime Second = 10'000'000;

class PositionModelTest : public ::testing::Test {
protected:
    PositionModel::TimePoint now{};
    PositionModel model{[this] { return now; }};

    void SetUp() override { model.Duration(10 * Second); }
};

TEST_F(PositionModelTest, AnswersAreTakenWithinTheFileAndTheStopIsReachedOnlyByTheEnd) {
    EXPECT_TRUE(model.KnowsStop());
    model.Observe(3 * Second);
    EXPECT_EQ(model.Current(), 3 * Second);
    // A renderer done early answers the length itself; the file has not ended yet.
    model.Observe(10 * Second);
    EXPECT_EQ(model.Current(), 10 * Second - 1);
    model.Observe(-Second);
    EXPECT_EQ(model.Current(), 0);
    model.EndOfStream(1, true);
    EXPECT_TRUE(model.AtEnd());
    EXPECT_EQ(model.Current(), 10 * Second);
    // Answers at the end change nothing; a stop forgets the end and stands where it was.
    model.Observe(2 * Second);
    EXPECT_EQ(model.Current(), 10 * Second);
    model.ForgetEnd(1);
    EXPECT_FALSE(model.AtEnd());
    EXPECT_EQ(model.Current(), 10 * Second);
}

TEST_F(PositionModelTest, ASeekHoldsItsTargetUntilTheSinksAnswerFromThere) {
    model.Observe(6 * Second);
    model.Seek(0);
    // The sinks still answer from before the seek, or a little past the target while settling.
    now += 20ms;
    model.Observe(6 * Second);
    EXPECT_EQ(model.Current(), 0);
    model.Observe(Second / 100);
    EXPECT_EQ(model.Current(), 0) << "a stop straight after a rewind stands at the start";
    // Settled: an answer that fits the target and the time since is taken; one from the old place is not.
    now += 200ms;
    model.Observe(6 * Second);
    EXPECT_EQ(model.Current(), 0);
    model.Observe(Second / 10);
    EXPECT_EQ(model.Current(), Second / 10);
    // Once taken, answers are followed again.
    model.Observe(5 * Second);
    EXPECT_EQ(model.Current(), 5 * Second);
}

// The one rule for an end of stream, and what each verdict leaves: an end posted before the last
// seek's fence is the old segment's; one posted since counts only while every sink stands at its end
// (a flush clears a sink's end), and is held back otherwise.
TEST_F(PositionModelTest, AnEndCountsOnlyWhenPostedAfterTheFenceWithEverySinkAtItsEnd) {
    using End = PositionModel::End;
    const struct {
        std::uint64_t serial;
        bool sinksAtEnd;
        End verdict;
    } ends[] = {
        {6, true, End::Stale},
        {7, false, End::Stale}, // up to the fence, whatever the sinks say
        {8, false, End::HeldBack},
        {8, true, End::Ended},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE("end " + std::to_string(end.serial) + (end.sinksAtEnd ? ", sinks at their end" : ""));
        model.Seek(4 * Second);
        model.FenceEnds(7);
        EXPECT_EQ(model.EndOfStream(end.serial, end.sinksAtEnd), end.verdict);
        EXPECT_EQ(model.AtEnd(), end.verdict == End::Ended);
        EXPECT_EQ(model.EndHeldBack(), end.verdict == End::HeldBack);
        EXPECT_EQ(model.Current(), end.verdict == End::Ended ? 10 * Second : 4 * Second);
    }
}

TEST_F(PositionModelTest, AnEndHeldBackIsTheFilesEndOnceTheSinksStandAtItAndASeekForgetsIt) {
    // Still holding the target, an end may be the old segment's (a slow sound sink posts it late): a
    // stop stands at the target, not at the end.
    model.Seek(4 * Second);
    model.FenceEnds(7);
    ASSERT_EQ(model.EndOfStream(8, true), PositionModel::End::Ended);
    model.ForgetEnd(8);
    EXPECT_EQ(model.Current(), 4 * Second);
    // A seek leaves the end, and its target is the position again.
    model.EndOfStream(9, true);
    model.Seek(Second);
    EXPECT_FALSE(model.AtEnd());
    EXPECT_EQ(model.Current(), Second);
    // An end held back until the sinks stand at it is the file's end then; a seek forgets it.
    model.EndOfStream(10, false);
    model.Seek(2 * Second);
    EXPECT_FALSE(model.EndHeldBack());
    model.EndOfStream(11, false);
    EXPECT_FALSE(model.AtEnd());
    model.SinksEnded();
    EXPECT_TRUE(model.AtEnd());
    EXPECT_FALSE(model.EndHeldBack());
}

TEST_F(PositionModelTest, AnEndASinkNeverFinishesIsTakenOnceTheAnswersHaveStoodAtTheStopLongEnough) {
    model.Seek(9 * Second);
    model.AnsweredAtStop(true);
    EXPECT_TRUE(model.EndHeldBack());
    now += model.EndGrace - 1ms;
    EXPECT_FALSE(model.EndOverdue()) << "a slow sound sink may still be playing its last second";
    // The stop moved on past the answers (a length estimate that grew): the wait starts again.
    model.AnsweredAtStop(false);
    now += 1ms;
    model.AnsweredAtStop(true);
    now += model.EndGrace - 1ms;
    EXPECT_FALSE(model.EndOverdue());
    model.AnsweredAtStop(true);
    now += 1ms;
    EXPECT_TRUE(model.EndOverdue());
    // A seek forgets the wait.
    model.Seek(Second);
    EXPECT_FALSE(model.EndOverdue());
    EXPECT_FALSE(model.EndHeldBack());
}

TEST_F(PositionModelTest, ALengthThatChangesMovesTheStopAndTheClamps) {
    model.Observe(9 * Second + Second / 2);
    model.Duration(12 * Second);
    EXPECT_EQ(model.Stop(), 12 * Second);
    EXPECT_EQ(model.Clamp(20 * Second), 12 * Second);
    EXPECT_EQ(model.Clamp(-Second), 0);
    model.Observe(11 * Second);
    EXPECT_EQ(model.Current(), 11 * Second) << "no longer pinned short of the old length";
    model.EndOfStream(1, true);
    EXPECT_EQ(model.Current(), 12 * Second);
    // A graph built anew knows nothing yet: no stop, and every place clamps to 0.
    model.Reset();
    EXPECT_FALSE(model.KnowsStop());
    EXPECT_EQ(model.Current(), 0);
    EXPECT_EQ(model.Clamp(5 * Second), 0);
    model.Observe(3 * Second);
    EXPECT_EQ(model.Current(), 0) << "answers wait for the length";
}

} // namespace
