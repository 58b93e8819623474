// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/graph/HalvionFixture.h"

#include <limits>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class HalvionTransportTest : public HalvionTest {
protected:
    void SetUp() override {
        Create();
        player->SetSeekBar(&bar);
    }
    // Sets what the graph reports and clears the record.
    void At(MediaTime current, MediaTime stop) {
        graph.Current = current;
        graph.StopPosition = stop;
        script.ClearCalls();
    }
    RecordingSeekBar bar;
};

std::string Seek(MediaTime target) {
    return "SetPositions(" + std::to_string(target) + ",1," + std::to_string(target) + ",0)";
}

TEST_F(HalvionTransportTest, PlayPauseAndResumeDriveTheGraphAndTheFlags) {
    EXPECT_EQ(bar.Max, 10000);
    player->TogglePause();
    EXPECT_TRUE(player->Paused) << "pausing before any Play is allowed";
    EXPECT_FALSE(player->Playing);
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Paused);

    player->EndReached = true;
    player->Play();
    EXPECT_TRUE(player->Playing);
    EXPECT_FALSE(player->Paused);
    EXPECT_FALSE(player->EndReached);
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Running);

    player->TogglePause();
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Paused);
    player->TogglePause();
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Running);
    EXPECT_FALSE(player->Paused);
}

TEST_F(HalvionTransportTest, StopRewindsShowsZeroThenStopsAndLeavesPausedAlone) {
    At(30 * Seconds, 120 * Seconds);
    player->Play();
    player->TogglePause();
    script.ClearCalls();
    player->Stop();
    EXPECT_THAT(script.Calls(), ElementsAre(Seek(0), "GetPositions", "Stop"));
    EXPECT_EQ(bar.Position, 0);
    EXPECT_FALSE(player->Playing);
    EXPECT_TRUE(player->Paused);

    // Resuming after a stop runs the graph but does not count as playing, so nothing polls.
    player->TogglePause();
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Running);
    EXPECT_FALSE(player->Paused);
    EXPECT_FALSE(player->Playing);
    script.ClearCalls();
    player->UpdatePosition();
    EXPECT_THAT(script.Calls(), IsEmpty());
}

TEST_F(HalvionTransportTest, TheBarFollowsThePositionOnATenThousandScale) {
    player->Play();
    At(30 * Seconds, 120 * Seconds);
    player->UpdatePosition();
    EXPECT_EQ(bar.Position, 2500);
    EXPECT_FALSE(player->EndReached);

    At(1, 3);
    player->UpdatePosition();
    EXPECT_EQ(bar.Requested.back(), 3333) << "truncated, not rounded";

    At(-1, 3);
    player->UpdatePosition();
    EXPECT_EQ(bar.Requested.back(), -3333) << "truncated toward zero";
    EXPECT_EQ(bar.Position, 0);

    At((std::int64_t{1} << 32) + 2500, 10000);
    player->UpdatePosition();
    EXPECT_EQ(bar.Requested.back(), 2500) << "only the low 32 bits reach the bar";

    // The product wraps in 64 bits before the division.
    const MediaTime huge = std::numeric_limits<std::int64_t>::max() / 10000 + 1;
    At(huge, 1);
    player->UpdatePosition();
    EXPECT_EQ(bar.Requested.back(), static_cast<std::int32_t>(static_cast<std::uint32_t>(
                                        static_cast<std::uint64_t>(huge) * 10000u)));
}

TEST_F(HalvionTransportTest, TheEndIsWhereCurrentEqualsStop) {
    At(120 * Seconds, 120 * Seconds);
    player->UpdatePosition();
    EXPECT_FALSE(player->EndReached) << "nothing is polled while not playing";
    EXPECT_THAT(script.Calls(), IsEmpty());

    player->Play();
    At(120 * Seconds - 1, 120 * Seconds);
    player->UpdatePosition();
    EXPECT_FALSE(player->EndReached);
    At(120 * Seconds, 120 * Seconds);
    player->UpdatePosition();
    EXPECT_TRUE(player->EndReached);
    EXPECT_EQ(bar.Position, 10000);
    player->EndReached = false;

    // A stop position of 0 leaves the bar where it is, but 0 of 0 is still the end.
    bar.Requested.clear();
    At(0, 0);
    player->UpdatePosition();
    EXPECT_THAT(bar.Requested, IsEmpty());
    EXPECT_TRUE(player->EndReached);
}

TEST_F(HalvionTransportTest, PositionsThatCannotBeReadAreNotTakenForTheEnd) {
    player->Play();
    At(0, 0);
    script.Fail("GetPositions");
    player->UpdatePosition();
    EXPECT_FALSE(player->EndReached);
    EXPECT_THAT(bar.Requested, IsEmpty());
    EXPECT_EQ(player->GetPosition(), 0);
    At(5 * Seconds, 10 * Seconds);
    EXPECT_EQ(player->GetPosition(), 0);
    script.Heal("GetPositions");
    EXPECT_EQ(player->GetPosition(), 5 * Seconds);
}

TEST_F(HalvionTransportTest, TheBarSeeksToItsShareOfTheStopPosition) {
    const MediaTime stop = 120 * Seconds;
    const std::vector<std::pair<std::int32_t, MediaTime>> cases = {
        {2500, 30 * Seconds}, {10000, stop},      {0, 0},      {-5, 0},     {-2147483647 - 1, 0},
        {10001, stop},        {2147483647, stop}, {1, 120000}, {3, 360000},
    };
    for (const auto& [barPos, target] : cases) {
        At(0, stop);
        EXPECT_EQ(player->SeekToBarPosition(barPos), S_OK);
        EXPECT_THAT(script.Calls(), ElementsAre("GetStopPosition", Seek(target))) << barPos;
    }
    At(0, 7);
    player->SeekToBarPosition(5000);
    EXPECT_TRUE(script.Called(Seek(3))) << "(7 x 5000) div 10000 truncates";

    At(0, stop);
    script.Fail("SetPositions", E_NOTIMPL);
    EXPECT_EQ(player->SeekToBarPosition(5000), E_NOTIMPL) << "the seek's own status is handed back";
    script.Heal("SetPositions");
    At(0, stop);
    script.Fail("GetStopPosition", E_NOTIMPL);
    EXPECT_EQ(player->SeekToBarPosition(5000), E_NOTIMPL);
    EXPECT_THAT(script.CallsStartingWith("SetPositions"), IsEmpty()) << "no seek without the length";
}

TEST_F(HalvionTransportTest, AbsoluteSeeksGoToTheGraphUnchecked) {
    At(0, 10 * Seconds);
    EXPECT_EQ(player->SetPosition(-3), S_OK);
    EXPECT_EQ(player->SetPosition(20 * Seconds), S_OK);
    EXPECT_THAT(script.Calls(), ElementsAre(Seek(-3), Seek(20 * Seconds)));
    EXPECT_EQ(graph.Current, 10 * Seconds) << "the graph clamps, the object does not";
}

TEST_F(HalvionTransportTest, SkipsMoveByWholeSecondsFromTheCurrentPosition) {
    At(10 * Seconds, 120 * Seconds);
    player->SkipSeconds(-15);
    EXPECT_THAT(script.Calls(), ElementsAre("SetTimeFormat(MediaTime)", "GetPositions", Seek(-50'000'000)));

    At(100 * Seconds, 120 * Seconds);
    player->SkipSeconds(90);
    EXPECT_TRUE(script.Called(Seek(190 * Seconds))) << "not clamped past the end";

    At(std::numeric_limits<std::int64_t>::max() - 5, 0);
    player->SkipSeconds(1);
    EXPECT_TRUE(script.Called(Seek(std::numeric_limits<std::int64_t>::min() + 9'999'994))) << "64-bit wrap";

    At(10 * Seconds, 120 * Seconds);
    script.Fail("GetPositions", E_NOTIMPL);
    EXPECT_EQ(player->SkipSeconds(5), E_NOTIMPL);
    EXPECT_THAT(script.CallsStartingWith("SetPositions"), IsEmpty()) << "no skip from an unknown place";
}

TEST_F(HalvionTransportTest, ASeekWhileStoppedIsKeptForTheNextPlay) {
    graph.AddMedia("/media/clip.avi");
    graph.StopPosition = 60 * Seconds;
    player->OpenFile("/media/clip.avi");
    player->SetPosition(25 * Seconds);
    player->Play();
    EXPECT_EQ(player->GetPosition(), 25 * Seconds);
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Running);
}

} // namespace
