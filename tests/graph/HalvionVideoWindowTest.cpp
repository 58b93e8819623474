#include "tests/graph/HalvionFixture.h"

using ::testing::IsEmpty;

namespace {

struct Placement {
    std::int32_t frameWidth, frameHeight;
    std::int32_t left, top, width, height;
};

class HalvionVideoWindowTest : public HalvionTest, public ::testing::WithParamInterface<Placement> {
protected:
    void OpenFrame(std::int32_t width, std::int32_t height) {
        graph.AddMedia("/media/clip.avi");
        graph.SourceWidth = width;
        graph.SourceHeight = height;
        Create();
        player->SetOwnerWindow(0x3a00007);
        Open("/media/clip.avi", false, false);
    }
};

// The frame grows by the largest whole factor that keeps it within 720 x 480, is halved, and is
// centred in the 360 x 240 panel, overhanging it when it is larger.
TEST_P(HalvionVideoWindowTest, TheFrameIsScaledHalvedAndCentred) {
    const Placement p = GetParam();
    OpenFrame(p.frameWidth, p.frameHeight);
    EXPECT_EQ(graph.Owner, 0x3a00007u);
    EXPECT_EQ(graph.WindowStyle, 0x46000000);
    EXPECT_EQ(graph.WindowRect.Left, p.left);
    EXPECT_EQ(graph.WindowRect.Top, p.top);
    EXPECT_EQ(graph.WindowRect.Width, p.width);
    EXPECT_EQ(graph.WindowRect.Height, p.height);
}

INSTANTIATE_TEST_SUITE_P(
    FrameSizes, HalvionVideoWindowTest,
    ::testing::Values(Placement{720, 480, 0, 0, 360, 240}, Placement{352, 240, 4, 0, 352, 240},
                      Placement{352, 288, 92, 48, 176, 144}, Placement{176, 144, 48, 12, 264, 216},
                      Placement{1920, 1080, -300, -150, 960, 540}, Placement{722, 480, 0, 0, 361, 240},
                      Placement{1, 1, 60, 0, 240, 240}, Placement{720, 1, 0, 120, 360, 0}));

using HalvionVideoWindowRules = HalvionTest;

TEST_F(HalvionVideoWindowRules, AFrameSizeOfZeroPlacesNoWindow) {
    graph.AddMedia("/media/sound.avi", {.Video = false, .Audio = true});
    Create();
    player->SetOwnerWindow(7);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 0}, {0, 480}, {720, 0}}) {
        graph.SourceWidth = width;
        graph.SourceHeight = height;
        Open("/media/sound.avi", false, false);
        EXPECT_THAT(script.CallsStartingWith("SetWindowPosition"), IsEmpty()) << width << "x" << height;
    }
    EXPECT_EQ(graph.Owner, 7u) << "the owner is still set, so a picture would stay inside the panel";
}

TEST_F(HalvionVideoWindowRules, WithoutAnOwnerTheWindowIsLeftAlone) {
    graph.AddMedia("/media/clip.avi");
    graph.SourceWidth = 720;
    graph.SourceHeight = 480;
    Open("/media/clip.avi", false, false);
    EXPECT_THAT(script.CallsStartingWith("put_"), IsEmpty());
    EXPECT_THAT(script.CallsStartingWith("SetWindowPosition"), IsEmpty());
}

} // namespace
