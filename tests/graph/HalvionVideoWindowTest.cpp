// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/DevicePixels.h"
#include "graph/VisibleCrop.h"
#include "tests/graph/HalvionFixture.h"

using ::testing::IsEmpty;

namespace {

struct Placement {
    std::int32_t frameWidth, frameHeight;
    std::int32_t left, top, width, height;
};

class VideoWindowFixture : public HalvionTest {
protected:
    void OpenFrame(std::int32_t width, std::int32_t height, double ratio = 1.0) {
        graph.AddMedia("/media/clip.avi");
        graph.SourceWidth = width;
        graph.SourceHeight = height;
        Create();
        player->SetOwnerWindow(0x3a00007);
        player->SetOwnerScale(ratio);
        Open("/media/clip.avi", false, false);
    }
};

class HalvionVideoWindowTest : public VideoWindowFixture, public ::testing::WithParamInterface<Placement> {};

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

struct ScaledPlacement {
    double ratio;
    std::int32_t frameWidth, frameHeight;
    PixelRect device;
};

void PrintTo(const ScaledPlacement& row, std::ostream* out) {
    *out << row.frameWidth << "x" << row.frameHeight << " at " << row.ratio;
}

class HalvionVideoWindowScaleTest : public VideoWindowFixture,
                                    public ::testing::WithParamInterface<ScaledPlacement> {};

// On a screen of more than one device pixel per logical pixel, the same logical rectangle is placed
// in device pixels: each edge at its logical place times the ratio, rounded. No ratio known counts
// as 1.
TEST_P(HalvionVideoWindowScaleTest, TheLogicalRectangleIsPlacedInDevicePixels) {
    const ScaledPlacement row = GetParam();
    OpenFrame(row.frameWidth, row.frameHeight, row.ratio);
    EXPECT_EQ((PixelRect{graph.WindowRect.Left, graph.WindowRect.Top, graph.WindowRect.Width,
                         graph.WindowRect.Height}),
              row.device)
        << row.frameWidth << "x" << row.frameHeight << " at " << row.ratio;
}

INSTANTIATE_TEST_SUITE_P(Ratios, HalvionVideoWindowScaleTest,
                         ::testing::Values(ScaledPlacement{1.0, 640, 480, {20, 0, 320, 240}},
                                           ScaledPlacement{1.5, 640, 480, {30, 0, 480, 360}},
                                           ScaledPlacement{2.0, 640, 480, {40, 0, 640, 480}},
                                           ScaledPlacement{1.25, 352, 288, {115, 60, 220, 180}},
                                           ScaledPlacement{1.5, 352, 240, {6, 0, 528, 360}},
                                           ScaledPlacement{1.75, 352, 240, {7, 0, 616, 420}},
                                           ScaledPlacement{1.25, 722, 480, {0, 0, 451, 300}},
                                           ScaledPlacement{1.5, 1920, 1080, {-450, -225, 1440, 810}},
                                           ScaledPlacement{0.0, 640, 480, {20, 0, 320, 240}}));

using HalvionVideoWindowRules = HalvionTest;

// The window moving to a screen of another ratio places the picture shown again; before any file is
// open there is no picture to place.
TEST_F(HalvionVideoWindowRules, ANewRatioPlacesThePictureShownAgain) {
    graph.AddMedia("/media/clip.avi");
    graph.SourceWidth = 640;
    graph.SourceHeight = 480;
    Create();
    player->SetOwnerWindow(7);
    player->SetOwnerScale(2.0);
    EXPECT_THAT(script.CallsStartingWith("SetWindowPosition"), IsEmpty());
    Open("/media/clip.avi", false, false);
    EXPECT_EQ(graph.WindowRect.Width, 640);
    player->SetOwnerScale(1.0);
    EXPECT_EQ(graph.WindowRect.Left, 20);
    EXPECT_EQ(graph.WindowRect.Width, 320);
    EXPECT_EQ(graph.WindowRect.Height, 240);
    EXPECT_EQ(graph.Owner, 7u);
}

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

struct CropCase {
    const char* what;
    PixelRect placed;
    std::int32_t ownerWidth, ownerHeight, frameWidth, frameHeight;
    PixelRect window;
    SourceCrop crop;
};

// A picture that overhangs its owner is cut to the part shown, at source pixels that land on whole
// device pixels, so that the kept part is scaled exactly as the whole frame was; where no such pixel
// lies in the hidden part, the window overhangs as before.
TEST(VisibleCropTest, OnlyWhatTheOwnerHidesIsCutAndOnlyOnWholeDevicePixels) {
    // A row a line, each column under its heading.
    // clang-format off
    //  what               placed                     owner     frame       window            crop
    const CropCase cases[] = {
        {"1080p at 1",      {-300, -150, 960, 540},   360, 240, 1920, 1080, {0, 0, 360, 240},   {600, 300, 600, 300}},
        {"1080p at 1.25",   {-375, -188, 1200, 676},  450, 300, 1920, 1080, {0, -19, 450, 338}, {600, 270, 600, 270}},
        {"1080p at 1.5",    {-450, -225, 1440, 810},  540, 360, 1920, 1080, {0, 0, 540, 360},   {600, 300, 600, 300}},
        {"1080p at 2",      {-600, -300, 1920, 1080}, 720, 480, 1920, 1080, {0, 0, 720, 480},   {600, 300, 600, 300}},
        {"722x480 at 1",    {0, 0, 361, 240},         360, 240, 722, 480,   {0, 0, 360, 240},   {0, 0, 2, 0}},
        {"722x480 at 1.25", {0, 0, 451, 300},         450, 300, 722, 480,   {0, 0, 451, 300},   {}},
        {"inside the owner", {20, 0, 320, 240},       360, 240, 640, 480,   {20, 0, 320, 240},  {}},
    };
    // clang-format on
    for (const CropCase& row : cases) {
        const VisibleCrop cut =
            CropToOwner(row.placed, row.ownerWidth, row.ownerHeight, row.frameWidth, row.frameHeight);
        EXPECT_EQ(cut.window, row.window) << row.what;
        EXPECT_EQ(cut.crop, row.crop) << row.what;
    }
}
