// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/graph/HalvionFixture.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using HalvionOpenFileTest = HalvionTest;

const std::string Wmv = "/media/clip.wmv";
const std::string Avi = "/media/clip.avi";

bool Linked(const std::shared_ptr<FakePin>& pin) {
    return pin && pin->IsConnected();
}

TEST_F(HalvionOpenFileTest, WithBothOutputsOffTheFilePlaysOnTheStandardRenderersWithoutAWord) {
    graph.AddMedia(Avi);
    Open(Avi, false, false);
    EXPECT_TRUE(HasFilter(VideoRendererName));
    EXPECT_TRUE(HasFilter(SoundRendererName));
    EXPECT_FALSE(HasFilter(DeviceRendererName));
    EXPECT_FALSE(script.Called("CreateDeviceRenderer"));

    Open("/media/missing.avi", false, false);
    Open("", false, false);
    EXPECT_THAT(errors.Texts, IsEmpty()) << "a file that cannot be rendered shows nothing here";
}

// Exactly the streams switched on move from their standard renderer to the device.
TEST_F(HalvionOpenFileTest, WmvWithOneOutputOnMovesOnlyThatStream) {
    graph.AddMedia(Wmv);
    for (const bool video : {true, false}) {
        Open(Wmv, video, !video);
        EXPECT_THAT(errors.Texts, IsEmpty());
        EXPECT_EQ(HasFilter(VideoRendererName), !video);
        EXPECT_EQ(HasFilter(SoundRendererName), video);
        const auto device = graph.FindFilter(DeviceRendererName);
        ASSERT_TRUE(device);
        EXPECT_EQ(Linked(device->Pin(DeviceVideoPinId)), video);
        EXPECT_EQ(Linked(device->Pin(DeviceAudioPinId)), !video);
        const auto kept = graph.FindFilter(video ? SoundRendererName : VideoRendererName);
        EXPECT_TRUE(Linked(kept->Pins().front()));
    }
}

TEST_F(HalvionOpenFileTest, WmvWithBothOnMovesBothAndConnectMayInsertFilters) {
    graph.AddMedia(Wmv);
    graph.ConnectInsertsConverter = true;
    Open(Wmv, true, true);
    EXPECT_FALSE(HasFilter(VideoRendererName));
    EXPECT_FALSE(HasFilter(SoundRendererName));
    EXPECT_TRUE(HasFilter("Color Space Converter"));
    const auto device = graph.FindFilter(DeviceRendererName);
    ASSERT_TRUE(device);
    EXPECT_TRUE(Linked(device->Pin(DeviceVideoPinId)));
    EXPECT_TRUE(Linked(device->Pin(DeviceAudioPinId)));
}

TEST_F(HalvionOpenFileTest, WmvWithoutASoundStreamConnectsOnlyWhatThereIs) {
    graph.AddMedia(Wmv, {.Video = true, .Audio = false});
    Open(Wmv, true, true);
    EXPECT_THAT(script.CallsStartingWith("Connect("),
                ElementsAre("Connect(Video Decoder.Out," + std::string(DeviceRendererName) + ".Video-In)"));
    EXPECT_THAT(errors.Texts, IsEmpty());
}

// Only a lower-case ".wmv" after the last ".", "/" or ":" takes the render-and-replace road.
TEST_F(HalvionOpenFileTest, TheExtensionRuleChoosesTheRoad) {
    struct Case {
        std::string path;
        bool wmvRoad;
    };
    const std::vector<Case> cases = {
        {"/media/clip.wmv", true},
        {"/media/clip.WMV", false},
        {"/media/clip.Wmv", false},
        {"/media/a.wmv/clip", false},
        {"/media/clip", false},
        {"/media/clip.wmv:1", false},
        {"x:.wmv", true},
        {"/media/clip.avi.wmv", true},
        {"/media/clip.wmv.avi", false},
        {"/media/.wmv", true},
        {"", false},
    };
    Create();
    for (const auto& c : cases) {
        script.ClearCalls();
        Open(c.path, true, false);
        EXPECT_EQ(script.Called("RenderFile(" + c.path + ")"), c.wmvRoad) << c.path;
        EXPECT_EQ(script.Called("AddSourceFilter(" + c.path + "," + SourceFilterName + ")"), !c.wmvRoad)
            << c.path;
    }
}

TEST_F(HalvionOpenFileTest, OtherFilesGetASourceAndTheDeviceWhichTakesWhatItAccepts) {
    graph.AddMedia(Avi);
    Open(Avi, true, false);
    EXPECT_THAT(errors.Texts, IsEmpty());
    EXPECT_TRUE(HasFilter(SourceFilterName));
    EXPECT_FALSE(HasFilter(VideoRendererName)) << "Render used the device already in the graph";
    EXPECT_FALSE(HasFilter(SoundRendererName));
    const auto device = graph.FindFilter(DeviceRendererName);
    ASSERT_TRUE(device);
    EXPECT_TRUE(Linked(device->Pin(DeviceVideoPinId)));
    EXPECT_TRUE(Linked(device->Pin(DeviceAudioPinId)));
    EXPECT_THAT(script.CallsStartingWith("Render("), ElementsAre("Render(SOURCE.Output)"));
}

TEST_F(HalvionOpenFileTest, OnlyTheSourcesLastOutputIsRendered) {
    graph.AddMedia(Avi, {.StreamsAtSource = true});
    Open(Avi, true, true);
    EXPECT_THAT(script.CallsStartingWith("Render("), ElementsAre("Render(SOURCE.Audio)"));
    const auto device = graph.FindFilter(DeviceRendererName);
    ASSERT_TRUE(device);
    EXPECT_FALSE(Linked(device->Pin(DeviceVideoPinId)));
    EXPECT_TRUE(Linked(device->Pin(DeviceAudioPinId)));
}

TEST_F(HalvionOpenFileTest, OpeningTwiceLeavesOneSetOfFilters) {
    graph.AddMedia(Avi);
    graph.AddMedia(Wmv);
    for (const auto& [path, video, audio] : std::vector<std::tuple<std::string, bool, bool>>{
             {Avi, false, false}, {Wmv, true, false}, {Avi, true, true}}) {
        Open(path, video, audio);
        const auto once = graph.FilterNames();
        Open(path, video, audio);
        EXPECT_EQ(graph.FilterNames(), once) << path;
    }
}

TEST_F(HalvionOpenFileTest, EveryFilterIsRemovedHoweverManyAndNoneWhileEnumerating) {
    for (int i = 0; i < 75; ++i) {
        graph.PlaceFilter("Filter " + std::to_string(i));
    }
    Open("/media/missing.avi", false, false);
    EXPECT_THAT(graph.FilterNames(), IsEmpty());
    EXPECT_EQ(script.CallsStartingWith("RemoveFilter(").size(), 75u);
    EXPECT_FALSE(script.Called("RemoveFilter while a filter enumerator is open"));
}

TEST_F(HalvionOpenFileTest, EveryMatchingRendererGoesAndTheLastOnesFeedIsUsed) {
    graph.AddMedia(Wmv);
    std::shared_ptr<FakePin> expected;
    graph.BuildOnRenderFile = [&](FakeGraph& g) {
        const auto decoder = g.PlaceFilter("Decoder");
        const auto first = g.PlaceFilter(VideoRendererName);
        const auto second = g.PlaceFilter(VideoRendererName);
        for (const auto& renderer : {first, second}) {
            // The later connected input of each renderer is its feed.
            for (int i = 0; i < 2; ++i) {
                const auto out = decoder->AddPin("Out" + std::to_string(decoder->Pins().size()),
                                                 PinDirection::Output, FakeMediaType::Video);
                const auto in =
                    renderer->AddPin("In" + std::to_string(i), PinDirection::Input, FakeMediaType::Video);
                FakePin::Link(out, in);
                expected = out;
            }
            renderer->AddPin("Unconnected", PinDirection::Input, FakeMediaType::Video);
        }
    };
    Open(Wmv, true, false);
    EXPECT_FALSE(HasFilter(VideoRendererName));
    EXPECT_EQ(script.CallsStartingWith("RemoveFilter(Video Renderer)").size(), 2u);
    EXPECT_THAT(script.CallsStartingWith("Connect("),
                ElementsAre("Connect(Decoder.Out3," + std::string(DeviceRendererName) + ".Video-In)"));
    EXPECT_EQ(expected->Id(), "Out3");
}

TEST_F(HalvionOpenFileTest, FailuresOfTheSourceRoadAreReportedAndTheRestStillRuns) {
    graph.AddMedia(Avi);
    struct Case {
        std::string failingCall;
        std::vector<std::string> texts;
        bool playsOnStandardRenderers;
    };
    const std::vector<Case> cases = {
        {"CreateDeviceRenderer", {"Halvion Create Faild!", "Halvion AddFilter Faild!"}, true},
        {"AddFilter", {"Halvion AddFilter Faild!"}, true},
        {"Render", {"Render Faild!"}, false},
    };
    Create();
    for (const auto& c : cases) {
        script.Fail(c.failingCall);
        errors.Texts.clear();
        Open(Avi, true, true);
        EXPECT_EQ(errors.Texts, c.texts) << c.failingCall;
        EXPECT_EQ(HasFilter(VideoRendererName), c.playsOnStandardRenderers) << c.failingCall;
        EXPECT_EQ(HasFilter(SoundRendererName), c.playsOnStandardRenderers) << c.failingCall;
        EXPECT_TRUE(script.Called("SetPositions(0,1,0,0)")) << c.failingCall;
        script.Heal(c.failingCall);
    }
}

TEST_F(HalvionOpenFileTest, WithoutASourceFilterNothingIsRenderedAndNothingBreaks) {
    Open("/media/missing.avi", true, false);
    EXPECT_THAT(errors.Texts, ElementsAre("AddSourceFilter Faild!", "Render Faild!"));
    EXPECT_THAT(script.CallsStartingWith("Render("), IsEmpty()) << "no empty pin reaches the graph";
    EXPECT_THAT(graph.FilterNames(), ElementsAre(DeviceRendererName));

    errors.Texts.clear();
    Open("", false, true);
    EXPECT_THAT(errors.Texts, ElementsAre("AddSourceFilter Faild!", "Render Faild!"));
}

TEST_F(HalvionOpenFileTest, AWmvThatCannotBeRenderedIsReportedAndTheDeviceIsStillAdded) {
    Open("/media/missing.wmv", true, true);
    EXPECT_THAT(errors.Texts, ElementsAre("RenderFile Faild!"));
    EXPECT_THAT(graph.FilterNames(), ElementsAre(DeviceRendererName));
    EXPECT_THAT(script.CallsStartingWith("Connect("), IsEmpty());
}

TEST_F(HalvionOpenFileTest, WithoutTheDeviceAWmvLosesTheChosenStreamQuietly) {
    graph.AddMedia(Wmv);
    script.Fail("CreateDeviceRenderer", REGDB_E_CLASSNOTREG);
    Open(Wmv, true, false);
    EXPECT_THAT(errors.Texts, IsEmpty());
    EXPECT_FALSE(HasFilter(VideoRendererName));
    EXPECT_TRUE(HasFilter(SoundRendererName));
    EXPECT_THAT(script.CallsStartingWith("AddFilter("), IsEmpty());
    EXPECT_THAT(script.CallsStartingWith("Connect("), IsEmpty());
}

TEST_F(HalvionOpenFileTest, ALongPathReachesTheGraphWhole) {
    std::string path = "/media";
    while (path.size() < 3000) {
        path += "/ein-sehr-langer-ordnername-日本語";
    }
    for (const std::string& file : {path + "/clip.avi", path + "/clip.wmv"}) {
        graph.AddMedia(file);
        Open(file, false, false);
        EXPECT_TRUE(script.Called("RenderFile(" + file + ")"));
        EXPECT_EQ(player->CurrentFileName(), file);
        Open(file, true, false);
        EXPECT_THAT(errors.Texts, IsEmpty());
        EXPECT_TRUE(HasFilter(DeviceRendererName));
    }
}

TEST_F(HalvionOpenFileTest, AfterBuildingTheSizeIsReadTheStartIsSoughtAndTheFlagsAreLeftAlone) {
    graph.AddMedia(Avi);
    graph.SourceWidth = 720;
    graph.SourceHeight = 480;
    graph.StopPosition = 120 * Seconds;
    graph.Current = 30 * Seconds;
    Create();
    player->Play();
    player->EndReached = true;
    Open(Avi, false, false);
    EXPECT_EQ(player->VideoWidth, 720);
    EXPECT_EQ(player->VideoHeight, 480);
    EXPECT_EQ(graph.Current, 0);
    EXPECT_EQ(graph.StopPosition, 120 * Seconds) << "the stop position is not touched";
    EXPECT_EQ(graph.GraphState, FakeGraph::State::Stopped);
    EXPECT_TRUE(player->Playing);
    EXPECT_TRUE(player->EndReached);
    EXPECT_FALSE(player->Paused);

    // A size the graph cannot tell keeps the previous one.
    script.Fail("get_SourceHeight");
    graph.SourceWidth = 352;
    graph.SourceHeight = 288;
    Open(Avi, false, false);
    EXPECT_EQ(player->VideoWidth, 352);
    EXPECT_EQ(player->VideoHeight, 480);
}

TEST_F(HalvionOpenFileTest, TestRenderFileAddsToTheGraphAndStopsOnlyOnSuccess) {
    graph.AddMedia(Avi);
    Open(Avi, false, false);
    const std::size_t before = graph.Filters().size();
    script.ClearCalls();
    player->TestRenderFile(Avi);
    EXPECT_THAT(script.Calls(), Contains("Stop"));
    EXPECT_EQ(graph.Filters().size(), 2 * before) << "the graph is neither emptied nor stopped first";
    EXPECT_TRUE(HasFilter("Video Renderer 0001"));
    EXPECT_THAT(script.Calls(), Not(Contains("CreateDeviceRenderer")));

    script.ClearCalls();
    player->TestRenderFile("/media/missing.avi");
    EXPECT_THAT(script.Calls(), ElementsAre("RenderFile(/media/missing.avi)"));
    EXPECT_EQ(player->CurrentFileName(), "/media/missing.avi");
    EXPECT_THAT(errors.Texts, IsEmpty());
}

TEST_F(HalvionOpenFileTest, TheTimerMayPollWhileAnErrorIsOnScreen) {
    RecordingSeekBar bar;
    Create();
    player->SetSeekBar(&bar);
    graph.StopPosition = 100 * Seconds;
    graph.Current = 50 * Seconds;
    player->Play();
    errors.WhileOpen = [&] { player->UpdatePosition(); };
    Open("/media/missing.avi", true, true);
    EXPECT_EQ(errors.Texts.size(), 2u);
    EXPECT_FALSE(bar.Requested.empty());
    EXPECT_EQ(graph.Current, 0);
}

} // namespace
