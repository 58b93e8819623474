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
    model.EndOfStream(1, 11);
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

TEST_F(PositionModelTest, AnEndPostedBeforeTheSeeksFlushBelongsToTheOldSegment) {
    model.Seek(4 * Second);
    model.FenceEnds(7);
    model.EndOfStream(6, 16);
    EXPECT_FALSE(model.AtEnd());
    EXPECT_EQ(model.Current(), 4 * Second);
    model.EndOfStream(8, 18);
    EXPECT_TRUE(model.AtEnd());
    // Still holding the target, the end may be the old segment's (a slow sound sink posts it late): a
    // stop stands at the target, not at the end.
    model.ForgetEnd(8);
    EXPECT_EQ(model.Current(), 4 * Second);
    model.EndOfStream(9, 19);
    // The same end posted again after the next seek (a sink coming back to playing at its end) is
    // the old segment's; a new end is not.
    model.Seek(2 * Second);
    model.FenceEnds(9);
    model.EndOfStream(10, 19);
    EXPECT_FALSE(model.AtEnd());
    model.EndOfStream(11, 21);
    EXPECT_TRUE(model.AtEnd());
    // An end stamped with an earlier seek's number is that seek's segment's, however late it comes.
    model.SeekSent(31);
    model.Seek(3 * Second);
    model.FenceEnds(11);
    model.SeekSent(32);
    model.EndOfStream(12, 31);
    EXPECT_FALSE(model.AtEnd());
    model.EndOfStream(13, 32);
    EXPECT_TRUE(model.AtEnd());
    // A seek leaves the end, and its target is the position again.
    model.Seek(Second);
    EXPECT_FALSE(model.AtEnd());
    EXPECT_EQ(model.Current(), Second);
    // An end held back until the sinks stand at it is the file's end then; a seek forgets it.
    model.HoldEnd();
    model.Seek(2 * Second);
    EXPECT_FALSE(model.EndHeldBack());
    model.HoldEnd();
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
    model.EndOfStream(1, 11);
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
