// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/graph/HalvionFixture.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using HalvionListFiltersTest = HalvionTest;

TEST_F(HalvionListFiltersTest, AnEmptyGraphListsNothing) {
    Create();
    RecordingTextSink sink;
    player->ListFilters(sink);
    EXPECT_THAT(sink.Lines, IsEmpty());
}

TEST_F(HalvionListFiltersTest, ListingAppendsOneBareNamePerFilterAndKeepsEarlierLines) {
    graph.AddMedia("/media/clip.avi");
    Open("/media/clip.avi", true, true);
    RecordingTextSink sink;
    sink.Lines = {"earlier"};
    player->ListFilters(sink);
    player->ListFilters(sink);
    const std::vector<std::string> once = graph.FilterNames();
    std::vector<std::string> expected = {"earlier"};
    expected.insert(expected.end(), once.begin(), once.end());
    expected.insert(expected.end(), once.begin(), once.end());
    EXPECT_EQ(sink.Lines, expected);
    EXPECT_THAT(sink.Lines, Contains(SourceFilterName));
    EXPECT_THAT(sink.Lines, Contains(DeviceRendererName));
}

TEST_F(HalvionListFiltersTest, AfterAWmvWithVideoOnNoLineNamesTheVideoRenderer) {
    graph.AddMedia("/media/clip.wmv");
    Open("/media/clip.wmv", true, false);
    RecordingTextSink sink;
    player->ListFilters(sink);
    EXPECT_THAT(sink.Lines, Not(Contains(VideoRendererName)));
    EXPECT_THAT(sink.Lines, Contains(SoundRendererName));
}

TEST_F(HalvionListFiltersTest, EveryFilterIsListedHoweverMany) {
    for (int i = 0; i < 120; ++i) {
        graph.PlaceFilter("Filter " + std::to_string(i));
    }
    graph.PlaceFilter(std::string("Cut\0here", 8));
    Create();
    RecordingTextSink sink;
    player->ListFilters(sink);
    ASSERT_EQ(sink.Lines.size(), 121u);
    EXPECT_EQ(sink.Lines.front(), "Filter 0");
    EXPECT_EQ(sink.Lines[119], "Filter 119");
    EXPECT_EQ(sink.Lines.back(), "Cut") << "a name ends at its first zero";
}

TEST_F(HalvionListFiltersTest, AGraphThatCannotEnumerateListsNothingAndChangesNothing) {
    graph.AddMedia("/media/clip.avi");
    Open("/media/clip.avi", false, false);
    player->Play();
    const auto names = graph.FilterNames();
    RecordingTextSink sink;
    script.Fail("EnumFilters", E_OUTOFMEMORY);
    player->ListFilters(sink);
    EXPECT_THAT(sink.Lines, IsEmpty());
    script.Heal("EnumFilters");
    script.Fail("EnumFilters.Next", VFW_E_ENUM_OUT_OF_SYNC);
    player->ListFilters(sink);
    EXPECT_THAT(sink.Lines, IsEmpty());
    EXPECT_EQ(graph.FilterNames(), names);
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Running);
    EXPECT_TRUE(player->Playing);
}

} // namespace
