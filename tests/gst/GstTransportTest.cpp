// Running, stopping and seeking the real graph through the playback object. Stopping, pausing and
// resuming are checked by the random command sequences of the transport model test.

#include "tests/gst/GstPlaybackFixture.h"

#include <gmock/gmock.h>
#include <thread>

// Timing is checked on pictures alone: a sound stream's start on the test's sound server takes a
// varying fraction of a second after every seek or pause, which says nothing about the graph.

namespace {

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TEST_F(GstPlaybackTest, ASeekWhileStoppedTakesEffectAtTheNextRun) {
    Open(Clip(".mp4", true, false, 320, 240, 2.0), false, false);
    EXPECT_EQ(player->GetPosition(), 0);
    EXPECT_EQ(player->SetPosition(Second), S_OK);
    // Accurate, and in place before the next position read.
    EXPECT_EQ(player->GetPosition(), Second);
    player->Play();
    Sleep(300);
    EXPECT_GE(player->GetPosition(), Second);
    EXPECT_TRUE(PlayToEnd(std::chrono::milliseconds(4000)));
}

TEST_F(GstPlaybackTest, SkippingPastEitherEndLandsOnThatEnd) {
    Open(Clip(".avi", true, false), false, false);
    player->Play();
    Sleep(200);
    player->SkipSeconds(-15);
    EXPECT_LT(player->GetPosition(), Second / 20);

    MediaTime current = 0;
    MediaTime stop = 0;
    ASSERT_EQ(Graph()->GetPositions(current, stop), S_OK);
    EXPECT_GT(stop, Second / 2);
    player->SkipSeconds(15);
    Sleep(100);
    player->UpdatePosition();
    // At the end the current position equals the stop position exactly, so the end is seen.
    for (int attempt = 0; attempt < 100 && !player->EndReached; ++attempt) {
        Sleep(20);
        player->UpdatePosition();
    }
    EXPECT_TRUE(player->EndReached);
    EXPECT_EQ(player->GetPosition(), stop);

    // A seek after the end leaves it: the end is reached again by playing.
    player->EndReached = false;
    EXPECT_EQ(player->SeekToBarPosition(5000), S_OK);
    EXPECT_LT(player->GetPosition(), stop);
    player->UpdatePosition();
    EXPECT_FALSE(player->EndReached);
    EXPECT_TRUE(PlayToEnd());
}

TEST_F(GstPlaybackTest, OpeningTwiceLeavesOneSetOfFiltersAndTheListingNamesThem) {
    const std::string path = Clip(".mp4");
    Open(path, true, true);
    const auto first = Filters();
    Open(path, true, true);
    const auto second = Filters();
    EXPECT_EQ(first.size(), second.size());
    EXPECT_EQ(Count(SourceFilterName), 1);
    EXPECT_EQ(Count(DeviceRendererName), 1);
    EXPECT_EQ(second.front(), SourceFilterName);
    EXPECT_EQ(second[1], DeviceRendererName);

    // Listing twice appends the same names twice, and changes nothing.
    RecordedLines lines;
    player->ListFilters(lines);
    player->ListFilters(lines);
    ASSERT_EQ(lines.lines.size(), 2 * second.size());
    EXPECT_TRUE(std::equal(second.begin(), second.end(), lines.lines.begin() + second.size()));
    EXPECT_TRUE(PlayToEnd());
}

} // namespace
