// SPDX-License-Identifier: GPL-2.0-or-later
// Files that cannot be played: each gives the messages the player shows for it, ends promptly, and
// leaves the playback object ready for the next file.

#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/AccessOverride.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct BadInput {
    const char* name;
    // Makes the file (or not) in the folder and returns the path to open.
    std::string (*make)(const TempDir& folder);
    // Whether a source can be made for it at all (else "AddSourceFilter Faild!" with an output on).
    bool opens;
};

std::string Truncated(const std::string& clip, const std::string& path, double fraction) {
    std::ifstream in(clip, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes.resize(static_cast<std::size_t>(bytes.size() * fraction));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const BadInput badInputs[] = {
    {"EmptyFile", [](const TempDir& folder) { return folder.WriteFile("empty.avi", ""); }, true},
    {"TextNamedAvi", [](const TempDir& folder) { return folder.WriteFile("notes.avi", "just some text\n"); },
     true},
    {"RandomBytes",
     [](const TempDir& folder) {
         std::mt19937 random(7);
         std::string bytes(64 * 1024, '\0');
         for (char& byte : bytes) {
             byte = static_cast<char>(random());
         }
         return folder.WriteFile("noise.mpg", bytes);
     },
     true},
    {"Mp4CutBeforeItsIndex",
     [](const TempDir& folder) {
         ClipSpec recipe;
         recipe.seconds = 1.0;
         return Truncated(GenerateClip(recipe), folder / "cut.mp4", 0.5);
     },
     true},
    {"MissingPath", [](const TempDir& folder) { return folder / "not-there.avi"; }, false},
    {"Folder", [](const TempDir& folder) { return folder.MakeFolder("looks-like.avi"); }, false},
};

class BadInputTest : public GstPlaybackTest, public testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, ShowsTheMessagesAndTheNextFileStillPlays) {
    TempDir folder;
    const std::string path = GetParam().make(folder);
    const auto started = std::chrono::steady_clock::now();

    // Both outputs off: the file is rendered in the standard way and nothing is shown.
    Open(path, false, false);
    EXPECT_TRUE(errors.texts.empty());
    // Nothing to play: the file stands at its end, so that the list moves on at the next tick.
    player->Play();
    player->UpdatePosition();
    EXPECT_TRUE(player->EndReached);
    EXPECT_TRUE(player->EndedWithoutLength());
    EXPECT_EQ(player->GetPosition(), 0);

    // An output on: the source branch reports what failed.
    Open(path, true, false);
    const std::vector<std::string> expected =
        GetParam().opens ? std::vector<std::string>{"Render Faild!"}
                         : std::vector<std::string>{"AddSourceFilter Faild!", "Render Faild!"};
    EXPECT_EQ(errors.texts, expected);
    // Bounded by the graph's build deadline at worst (two builds here), never a hang.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(12));

    errors.texts.clear();
    Open(Clip(".mp4"), false, false);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(player->VideoWidth, 320);
    EXPECT_TRUE(PlayToEnd());
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputTest, testing::ValuesIn(badInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GstPlaybackTest, AnUnreadableFileCannotBeOpened) {
    TempDir folder;
    const std::string path = folder.WriteFile("locked.avi", "RIFF");
    ::chmod(path.c_str(), 0);
    WithoutAccessOverride asUser;
    // open, not access: access asks with root's full powers whatever this thread gave up.
    const int descriptor = ::open(path.c_str(), O_RDONLY);
    ASSERT_LT(descriptor, 0);
    Open(path, true, true);
    EXPECT_EQ(errors.texts, (std::vector<std::string>{"AddSourceFilter Faild!", "Render Faild!"}));
}

// A program stream cut short still plays what it has, and its end is still seen.
TEST_F(GstPlaybackTest, ATruncatedProgramStreamPlaysToItsEnd) {
    TempDir folder;
    ClipSpec recipe;
    recipe.extension = ".mpg";
    recipe.seconds = 2.0;
    const std::string path = Truncated(GenerateClip(recipe), folder / "cut.mpg", 0.6);
    Open(path, false, false);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(player->VideoWidth, 320);
    EXPECT_TRUE(PlayToEnd());
}

} // namespace
