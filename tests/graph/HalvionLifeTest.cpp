// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/graph/HalvionFixture.h"

using ::testing::ElementsAre;

namespace {

using HalvionLifeTest = HalvionTest;

std::ptrdiff_t IndexOf(const std::vector<std::string>& calls, const std::string& entry) {
    return std::find(calls.begin(), calls.end(), entry) - calls.begin();
}

TEST_F(HalvionLifeTest, AHealthyStartShowsNothingAndQueriesTheFourFacets) {
    Create();
    EXPECT_TRUE(errors.Texts.empty());
    EXPECT_THAT(script.Calls(), ElementsAre("Initialize", "CreateFilterGraph",
                                            "QueryInterface(IMediaControl)", "QueryInterface(IMediaSeeking)",
                                            "QueryInterface(IBasicVideo)", "QueryInterface(IVideoWindow)"));
    EXPECT_FALSE(player->Playing);
    EXPECT_FALSE(player->Paused);
    EXPECT_FALSE(player->EndReached);
    EXPECT_EQ(player->VideoWidth, 0);
    EXPECT_EQ(player->VideoHeight, 0);

    script.ClearCalls();
    player.reset();
    EXPECT_TRUE(errors.Texts.empty()) << "an empty graph goes quietly";
    EXPECT_THAT(script.Calls(), ElementsAre("Stop", "FilterGraph released", "Uninitialize"));
}

TEST_F(HalvionLifeTest, FailedQueriesAreEachReportedInOrderAndTheRestStillRun) {
    script.Fail("QueryInterface(IMediaSeeking)", E_NOINTERFACE);
    script.Fail("QueryInterface(IVideoWindow)", E_NOINTERFACE);
    Create();
    EXPECT_THAT(errors.Texts, ElementsAre("Query IMediaSeeking Faild!", "Query IVideoWindows Faild!"));
    EXPECT_THAT(errors.Captions, ElementsAre("Error", "Error"));
}

TEST_F(HalvionLifeTest, AllFourQueriesFailingGiveFourMessagesInOrder) {
    script.Fail("QueryInterface", E_NOINTERFACE);
    Create();
    EXPECT_THAT(errors.Texts, ElementsAre("Query IMediaControl Faild!", "Query IMediaSeeking Faild!",
                                          "Query IBasicVideo Faild!", "Query IVideoWindows Faild!"));
}

TEST_F(HalvionLifeTest, WithoutAGraphEveryQueryFailsAndEveryOperationIsHarmless) {
    script.Fail("CreateFilterGraph", E_OUTOFMEMORY);
    Create();
    EXPECT_THAT(errors.Texts, ElementsAre("Create IGraphBuilder Faild!", "Query IMediaControl Faild!",
                                          "Query IMediaSeeking Faild!", "Query IBasicVideo Faild!",
                                          "Query IVideoWindows Faild!"));
    RecordingSeekBar bar;
    RecordingTextSink sink;
    player->SetSeekBar(&bar);
    player->SetOwnerWindow(42);
    player->SetEnableVideo(true);
    player->OpenFile("/media/clip.wmv");
    player->OpenFile("/media/clip.avi");
    player->TestRenderFile("/media/clip.avi");
    player->Play();
    player->TogglePause();
    player->Stop();
    player->UpdatePosition();
    EXPECT_TRUE(Failed(player->SeekToBarPosition(5000)));
    EXPECT_TRUE(Failed(player->SetPosition(Seconds)));
    EXPECT_TRUE(Failed(player->SkipSeconds(5)));
    EXPECT_EQ(player->GetPosition(), 0);
    player->ListFilters(sink);
    EXPECT_TRUE(sink.Lines.empty());
    EXPECT_FALSE(player->Playing);
    EXPECT_FALSE(player->Paused);
}

TEST_F(HalvionLifeTest, ALibraryAlreadyUpCountsAsSuccessAndIsStillBalanced) {
    system->InitializeSuccess = S_FALSE;
    Create();
    EXPECT_TRUE(errors.Texts.empty());
    player.reset();
    EXPECT_EQ(system->InitializeCount, 0);
}

TEST_F(HalvionLifeTest, AFailedInitialisationCreatesNothingAndIsNotUndone) {
    script.Fail("Initialize", E_UNEXPECTED);
    Create();
    EXPECT_THAT(errors.Texts, ElementsAre("CoInitialize Faild!"));
    EXPECT_FALSE(script.Called("CreateFilterGraph"));
    player->Play();
    EXPECT_FALSE(player->Playing);
    player.reset();
    EXPECT_FALSE(script.Called("Uninitialize"));
}

TEST_F(HalvionLifeTest, DestructionStopsThenReleasesTheGraphThenShutsTheLibraryDown) {
    graph.AddMedia("/media/clip.avi");
    Open("/media/clip.avi", false, false);
    player->Play();
    script.ClearCalls();
    player.reset();
    const auto& calls = script.Calls();
    EXPECT_THAT(calls, ElementsAre("Stop", "FilterGraph released", "Uninitialize"));
    EXPECT_FALSE(system->GraphAlive());
    EXPECT_EQ(system->InitializeCount, 0);
    EXPECT_LT(IndexOf(calls, "FilterGraph released"), IndexOf(calls, "Uninitialize"));
}

TEST_F(HalvionLifeTest, TransportWithoutMediaControlChangesNoField) {
    script.Fail("QueryInterface(IMediaControl)", E_NOINTERFACE);
    Create();
    player->Play();
    EXPECT_FALSE(player->Playing);
    player->TogglePause();
    EXPECT_FALSE(player->Paused);
    player->EndReached = true;
    player->Stop();
    player->Play();
    EXPECT_TRUE(player->EndReached);
    EXPECT_FALSE(player->Playing);
    EXPECT_FALSE(player->Paused);
    EXPECT_FALSE(script.Called("Run"));
    EXPECT_FALSE(script.Called("Pause"));
    EXPECT_FALSE(script.Called("SetPositions(0,1,0,0)"));
    player.reset();
    EXPECT_FALSE(script.Called("Stop")) << "the destructor stops only through MediaControl";
}

} // namespace
