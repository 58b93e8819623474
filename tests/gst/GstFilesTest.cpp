// SPDX-License-Identifier: GPL-2.0-or-later
// Every kind of file the player's built-in filter offers, played on the real graph, and the routing
// of the streams between the computer's renderers and the output device.

#include "gstcommon/GstIteration.h"
#include "tests/device/ScreenPixels.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <gmock/gmock.h>
#include <thread>
#include <utility>

using testing::Contains;
using testing::Not;

namespace {

// The sound server's streams right now, as "application.name" values.
std::vector<std::string> SoundServerClients() {
    std::vector<std::string> clients;
    FILE* pactl = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (!pactl) {
        return clients;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pactl)) {
        const std::string text = line;
        const auto at = text.find("application.name = \"");
        if (at != std::string::npos) {
            const auto start = at + 20;
            clients.push_back(text.substr(start, text.find('"', start) - start));
        }
    }
    pclose(pactl);
    return clients;
}

class ContainerTest : public GstPlaybackTest, public testing::WithParamInterface<const char*> {};

TEST_P(ContainerTest, PlaysToTheEndOnTheStandardRenderers) {
    const std::string path = Clip(GetParam());
    Open(path, false, false);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_THAT(Filters(), Contains(path));
    EXPECT_EQ(Count(VideoRendererName), 1);
    EXPECT_EQ(player->VideoWidth, 320);
    EXPECT_EQ(player->VideoHeight, 240);
    // The first picture is in the panel, at its placed size, as soon as playing begins, not after
    // the sinks' latency and a frame's time. A program stream's first frame comes half a second after
    // its start, and its picture waits for playback to reach it.
    player->Play();
    const std::string extension = GetParam();
    if (extension != ".mpg" && extension != ".m2p" && extension != ".vob") {
        EXPECT_GT(owner.PointsOfPicture(24, 4, 312, 232), 4000 / 2) << "no picture yet";
    }
    EXPECT_TRUE(PlayToEnd());
    // Most of the clip's frames are drawn; a slow machine (or a sanitizer build) may drop a few late ones.
    EXPECT_GE(Graph()->Counters().videoFrames.load(), 12u);
    EXPECT_TRUE(Graph()->Problems().empty()) << Graph()->Problems().front();
}

INSTANTIATE_TEST_SUITE_P(BuiltInFilter, ContainerTest,
                         testing::Values(".avi", ".wmv", ".mpg", ".m2p", ".vob", ".m1v", ".m2v", ".mpv",
                                         ".mp4", ".mkv"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST_F(GstPlaybackTest, StandardRenderersDrawInsideTheOwnerRectangleAndSoundReachesTheServer) {
    const std::string path = Clip(".mp4");
    Open(path, false, false);
    EXPECT_THAT(Filters(), Contains(SoundRendererName));
    // 320 x 240 is doubled to fit 720 x 480, halved, and centred in 360 x 240: 320 x 240 at 20, 0.
    // A graph just built holds its first picture back until it is paused, run or sought (a resume
    // seeks at once and shows nothing from before its place); paused, it shows it at that size.
    player->TogglePause();
    EXPECT_TRUE(WaitFor([&] { return owner.PointsOfPicture(24, 4, 312, 232) > 4000 / 2; }));
    EXPECT_EQ(owner.PointsOfPicture(0, 0, 18, 240), 0);
    EXPECT_EQ(owner.PointsOfPicture(342, 0, 18, 240), 0);

    player->Play();
    bool heard = false;
    for (int attempt = 0; attempt < 40 && !heard; ++attempt) {
        const auto clients = SoundServerClients();
        heard = std::any_of(clients.begin(), clients.end(),
                            [](const auto& name) { return name != "keep-awake"; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(heard);
    EXPECT_TRUE(PlayToEnd());
    EXPECT_GT(Graph()->Counters().audioSamples.load(), 44100u * 9 / 10);
}

TEST_F(GstPlaybackTest, OneStreamFilesAndFrameSizes) {
    Open(Clip(".mp4", true, false), false, false);
    EXPECT_TRUE(HasFilter(VideoRendererName));
    EXPECT_FALSE(HasFilter(SoundRendererName));
    EXPECT_TRUE(PlayToEnd());

    // Without video the frame size is 0 x 0 and no video window is placed.
    Open(Clip(".mp4", false, true), false, false);
    EXPECT_TRUE(HasFilter(SoundRendererName));
    EXPECT_FALSE(HasFilter(VideoRendererName));
    EXPECT_EQ(player->VideoWidth, 0);
    EXPECT_EQ(player->VideoHeight, 0);
    EXPECT_TRUE(PlayToEnd());
    EXPECT_EQ(owner.PointsCovered(0, 0, 360, 240), 0) << "the last file's picture stays in the panel";

    Open(Clip(".mpg", true, true, 722, 480, 0.5), false, false);
    EXPECT_EQ(player->VideoWidth, 722);
    EXPECT_EQ(player->VideoHeight, 480);
    // 361 x 240 at 0, 0: the panel is covered.
    player->TogglePause();
    EXPECT_TRUE(WaitFor([&] { return owner.PointsOfPicture(0, 0, 360, 240) > 5000; }));
    player->TogglePause();

    Open(Clip(".mp4", true, false, 1920, 1080, 0.5), false, false);
    EXPECT_EQ(player->VideoWidth, 1920);
    EXPECT_EQ(player->VideoHeight, 1080);
    EXPECT_TRUE(errors.texts.empty());
}

TEST_F(GstPlaybackTest, WmvWithVideoOnMovesOnlyThePictureToTheDevice) {
    Open(Clip(".mp4"), false, false);
    player->TogglePause();
    ASSERT_TRUE(WaitFor([&] { return owner.PointsOfPicture(0, 0, 360, 240) > 0; }));
    Open(Clip(".wmv"), true, false);
    EXPECT_TRUE(errors.texts.empty());
    // Neither the last file's picture, nor this one's first, nor an empty window in the panel (whose
    // pixels the device's own window may cover).
    EXPECT_FALSE(owner.Shown(Graph()->VideoWindowHandle()));
    EXPECT_FALSE(HasFilter(VideoRendererName));
    EXPECT_TRUE(HasFilter(DeviceRendererName));
    EXPECT_TRUE(HasFilter(SoundRendererName));
    EXPECT_TRUE(PlayToEnd());
    EXPECT_GE(DeviceCounter("video-frames"), 20u);
    EXPECT_EQ(DeviceCounter("audio-samples"), 0u);
    EXPECT_GT(Graph()->Counters().audioSamples.load(), 44100u * 9 / 10);
}

TEST_F(GstPlaybackTest, WmvWithAudioOnMovesOnlyTheSoundToTheDevice) {
    Open(Clip(".wmv"), false, true);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_TRUE(HasFilter(VideoRendererName));
    EXPECT_TRUE(HasFilter(DeviceRendererName));
    EXPECT_FALSE(HasFilter(SoundRendererName));
    const auto framesBefore = Graph()->Counters().videoFrames.load();
    EXPECT_TRUE(PlayToEnd());
    EXPECT_GE(Graph()->Counters().videoFrames.load() - framesBefore, 20u);
    EXPECT_EQ(DeviceCounter("video-frames"), 0u);
    EXPECT_GT(DeviceCounter("audio-samples"), 44100u * 9 / 10);
}

TEST_F(GstPlaybackTest, OtherFilesWithAnOutputOnGoThroughTheSourceToTheDevice) {
    TempDir folder;
    // The upper-case extension takes this branch too: only ".wmv" exactly is rendered first.
    for (const auto& [extension, name] :
         {std::pair{".avi", "clip.avi"}, {".mkv", "clip.mkv"}, {".wmv", "clip.WMV"}}) {
        SCOPED_TRACE(name);
        ClipSpec recipe;
        recipe.extension = extension;
        recipe.seconds = 1.0;
        const std::string path = CopyClipTo(recipe, folder / name);
        Open(path, true, false);
        EXPECT_TRUE(errors.texts.empty());
        EXPECT_TRUE(HasFilter(SourceFilterName));
        EXPECT_TRUE(HasFilter(DeviceRendererName));
        // The device accepts both streams, so neither standard renderer is made.
        EXPECT_FALSE(HasFilter(VideoRendererName));
        EXPECT_FALSE(HasFilter(SoundRendererName));
        EXPECT_EQ(player->VideoWidth, 320);
        EXPECT_TRUE(PlayToEnd());
        EXPECT_GE(DeviceCounter("video-frames"), 20u);
        EXPECT_GT(DeviceCounter("audio-samples"), 44100u * 9 / 10);
    }
}

// The deinterlacer goes inside the renderers' own bins, the panel's and the device's, and only for
// interlaced caps: the graph's filters, and what ListFilters lists, are the same either way.
TEST_F(GstPlaybackTest, InterlacedVideoIsDeinterlacedInsideTheRenderersAndTheFiltersStayTheSame) {
    auto deinterlacers = [this](const char* renderer) {
        const ElementRef bin = Adopt(gst_bin_get_by_name(GST_BIN(Graph()->Pipeline()), renderer));
        int count = 0;
        for (const ElementRef& child :
             CollectAll<GstElement>(bin ? gst_bin_iterate_recurse(GST_BIN(bin.get())) : nullptr)) {
            GstElementFactory* made = gst_element_get_factory(child.get());
            count += made && g_strcmp0(GST_OBJECT_NAME(made), "deinterlace") == 0 ? 1 : 0;
        }
        return count;
    };
    for (const bool video : {false, true}) {
        const char* renderer = video ? DeviceRendererName : VideoRendererName;
        std::vector<std::string> filters[2];
        for (const bool interlaced : {true, false}) {
            SCOPED_TRACE(std::string(renderer) + (interlaced ? ", interlaced" : ", progressive"));
            const std::string path = GenerateClip(MovingBarClip(interlaced));
            Open(path, video, false);
            player->Play();
            EXPECT_TRUE(WaitFor([&] { return deinterlacers(renderer) > 0 || !interlaced; }));
            EXPECT_EQ(deinterlacers(renderer), interlaced ? 1 : 0);
            RecordedLines listed;
            player->ListFilters(listed);
            // Generated names count on from file to file, and each clip is a file of its own.
            for (std::string line : listed.lines) {
                line = line == path ? "<file>" : line.substr(0, line.find_last_not_of("0123456789") + 1);
                filters[interlaced].push_back(line);
            }
            player->Stop();
        }
        EXPECT_EQ(filters[true], filters[false]);
    }
}

// A 16:9-flagged 720×480 picture keeps its shape in the panel: 360×240 letterboxed to 360×203, the
// box that a 16:9 screen shows square is square.
TEST_F(GstPlaybackTest, ASixteenByNineFlaggedPictureKeepsItsShapeInThePanel) {
    Open(GenerateClip(WideBoxClip()), false, false);
    // A graph just built holds its first picture until it is paused, run or sought; paused, it shows it.
    player->TogglePause();
    Box box;
    EXPECT_TRUE(WaitFor([&] {
        box = BrightBox(GrabWindow(owner.Handle()));
        return box.width > 0;
    }));
    std::printf("16:9 box in the panel: %dx%d\n", box.width, box.height);
    EXPECT_NEAR(box.width, 67, 2);
    EXPECT_NEAR(box.height, 67, 2);
}

// The program's choice of monitor reaches a device renderer that is already showing, and one made
// for the next file.
TEST_F(GstPlaybackTest, TheDeviceScreenHoldsAtOnceAndForTheNextFile) {
    auto placement = [this] {
        const ElementRef device =
            Adopt(gst_bin_get_by_name(GST_BIN(Graph()->Pipeline()), DeviceRendererName));
        gint monitor = -1;
        gboolean fullscreen = FALSE;
        if (device) {
            g_object_get(device.get(), "monitor", &monitor, "fullscreen", &fullscreen, nullptr);
        }
        return std::make_pair(monitor, fullscreen != FALSE);
    };
    Open(Clip(".avi", true, false), true, false);
    player->Play();
    EXPECT_EQ(placement(), std::make_pair(0, false));
    player->SetDeviceScreen(2, true);
    EXPECT_EQ(placement(), std::make_pair(2, true));
    Open(Clip(".mkv", true, false), true, false);
    EXPECT_EQ(placement(), std::make_pair(2, true));
    EXPECT_TRUE(PlayToEnd());
}

TEST_F(GstPlaybackTest, WithoutTheDevicePluginTheFilePlaysOnTheStandardRenderers) {
    Create("halvionrenderer-not-installed");
    Open(Clip(".avi"), true, true);
    EXPECT_EQ(errors.texts, (std::vector<std::string>{"Halvion Create Faild!", "Halvion AddFilter Faild!"}));
    EXPECT_TRUE(HasFilter(SourceFilterName));
    EXPECT_FALSE(HasFilter(DeviceRendererName));
    EXPECT_TRUE(HasFilter(VideoRendererName));
    EXPECT_TRUE(HasFilter(SoundRendererName));
    EXPECT_TRUE(PlayToEnd());
    // Most of the clip's frames are drawn; a slow machine (or a sanitizer build) may drop a few late ones.
    EXPECT_GE(Graph()->Counters().videoFrames.load(), 12u);
}

} // namespace
