// SPDX-License-Identifier: GPL-2.0-or-later
// Damaged and mislabelled media files played through the playback object on the real graph, with the
// output device off and with each of its outputs on: the program neither crashes nor hangs, shows the
// message of the step that failed, and plays the next good file normally.
//
// The normal pass plays a representative set; TARNWICK_LONG=1 also runs every container against every
// damage (the FullMatrix cases).

#include "tests/gst/GstPlaybackFixture.h"
#include "tests/reliability/DamagedMedia.h"
#include "tests/reliability/HangGuard.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

enum class Damage { Cut, Overwritten, Empty, Text, Renamed };

// What the graph makes of the file. Either: whether anything is left to play depends on where the
// damage fell; what is checked then is that the outcome is told truthfully.
enum class Outcome { Plays, Refused, Either };

struct HostileFile {
    const char* name;
    Damage damage;
    // The container of the good clip the file is made from (for Empty and Text, the one played next).
    const char* container;
    // Cut: percent kept; Overwritten: the seed.
    int amount;
    // The extension the file is given, which picks the way the graph is built.
    const char* extension;
    Outcome outcome;
};

// The video elementary streams have no sound.
bool HasSound(const std::string& container) {
    return container != ".m1v" && container != ".m2v" && container != ".mpv";
}

// Named in the test listing by what they are, not by their bytes.
void PrintTo(const HostileFile& file, std::ostream* out) {
    *out << file.name;
}

// A clip of one second, so that a file that plays is over soon.
std::string GoodClip(const std::string& container, double seconds = 1.0) {
    ClipSpec recipe;
    recipe.extension = container;
    recipe.seconds = seconds;
    return GenerateClip(recipe);
}

std::string Make(const HostileFile& file, const TempDir& folder) {
    const std::string path = folder / (std::string("hostile") + file.extension);
    switch (file.damage) {
    case Damage::Cut:
        return WriteTruncatedCopy(GoodClip(file.container), path, file.amount);
    case Damage::Overwritten:
        return WriteOverwrittenCopy(GoodClip(file.container), path, static_cast<unsigned>(file.amount));
    case Damage::Empty:
        return folder.WriteFile(std::filesystem::path(path).filename(), "");
    case Damage::Text:
        return folder.WriteFile(std::filesystem::path(path).filename(),
                                "Shopping list\n- milk\n- bread\nThis is not a film.\n");
    case Damage::Renamed:
        std::filesystem::copy_file(GoodClip(file.container), path);
        return path;
    }
    return path;
}

struct OutputMode {
    const char* name;
    bool video;
    bool audio;
};

// The outputs on first: only then does the graph say whether the file could be built, which tells
// what to expect of it with the outputs off.
constexpr OutputMode Modes[] = {{"video to the device", true, false},
                                {"sound to the device", false, true},
                                {"both outputs off", false, false}};

class HostileMediaTest : public GstPlaybackTest {
protected:
    // Opens and plays one hostile file in every output mode, each followed by a good file.
    void PlayEveryWay(const HostileFile& file) {
        TempDir folder;
        const std::string path = Make(file, folder);
        const std::string good = GoodClip(file.container, 0.5);
        const bool wmvBranch = path.ends_with(".wmv");
        const std::string failure = wmvBranch ? "RenderFile Faild!" : "Render Faild!";
        bool builtWithOutput = false;

        for (const OutputMode& mode : Modes) {
            SCOPED_TRACE(mode.name);
            const bool outputOn = mode.video || mode.audio;
            errors.texts.clear();
            Bounded("OpenFile of " + path, 20s, [&] { Open(path, mode.video, mode.audio); });

            if (!outputOn) {
                EXPECT_THAT(errors.texts, IsEmpty()) << "with the outputs off nothing is ever shown";
            } else if (file.outcome == Outcome::Plays) {
                EXPECT_THAT(errors.texts, IsEmpty());
            } else if (file.outcome == Outcome::Refused) {
                EXPECT_THAT(errors.texts, ElementsAre(failure));
            } else {
                EXPECT_THAT(errors.texts, testing::AnyOf(IsEmpty(), ElementsAre(failure)));
            }
            const bool built = outputOn ? errors.texts.empty() : builtWithOutput;
            if (mode.video) {
                builtWithOutput = built;
            }

            // A file that was built plays to its end, and one that was not stands at its end at
            // once, at 0 and without a length: either way the folder moves on.
            const bool ended =
                Bounded("playing " + path, 20s, [&] { return PlayToEnd(built ? 8000ms : 300ms); });
            if (built) {
                EXPECT_TRUE(ended) << "a file that was built plays to its end";
                // A file named .wmv moves only the chosen streams: a picture-only file with only
                // its sound routed gives the device nothing.
                const bool somethingRouted = !wmvBranch || mode.video || HasSound(file.container);
                if (outputOn && file.outcome == Outcome::Plays && somethingRouted) {
                    EXPECT_GT(DeviceCounter("video-frames") + DeviceCounter("audio-samples"), 0u)
                        << "the device was put in the graph and was fed";
                }
                if (wmvBranch && mode.video && file.outcome == Outcome::Plays) {
                    EXPECT_EQ(DeviceCounter("audio-samples"), 0u)
                        << "a file named .wmv moves only the chosen stream, whatever it holds";
                }
            } else {
                EXPECT_TRUE(ended) << "a file that could not be built must not stop the folder";
                EXPECT_TRUE(player->EndedWithoutLength());
                EXPECT_EQ(player->GetPosition(), 0);
            }

            errors.texts.clear();
            Bounded("OpenFile of the next good file", 20s, [&] { Open(good, mode.video, mode.audio); });
            EXPECT_THAT(errors.texts, IsEmpty()) << "the good file after it";
            EXPECT_EQ(player->VideoWidth, 320);
            EXPECT_TRUE(Bounded("playing the next good file", 20s, [&] { return PlayToEnd(8000ms); }))
                << "the good file after it plays to its end";
            if (mode.video) {
                EXPECT_GT(DeviceCounter("video-frames"), 0u) << "the good file's picture reached the device";
            }
            if (mode.audio && HasSound(file.container)) {
                EXPECT_GT(DeviceCounter("audio-samples"), 0u) << "the good file's sound reached the device";
            }
        }
    }
};

// One of each damage over the containers, chosen so that the set holds files the graph refuses, files
// it plays in part, and files that may go either way; the outcomes were seen on the graph as built.
const HostileFile Representative[] = {
    {"Mp4CutAt1Percent", Damage::Cut, ".mp4", 1, ".mp4", Outcome::Refused},
    {"WmvCutAt1Percent", Damage::Cut, ".wmv", 1, ".wmv", Outcome::Refused},
    {"AviCutAt10Percent", Damage::Cut, ".avi", 10, ".avi", Outcome::Either},
    {"M2vCutAt10Percent", Damage::Cut, ".m2v", 10, ".m2v", Outcome::Plays},
    {"MkvCutAt50Percent", Damage::Cut, ".mkv", 50, ".mkv", Outcome::Plays},
    {"WmvCutAt50Percent", Damage::Cut, ".wmv", 50, ".wmv", Outcome::Plays},
    {"MpgCutAt99Percent", Damage::Cut, ".mpg", 99, ".mpg", Outcome::Plays},
    {"Mp4CutAt99Percent", Damage::Cut, ".mp4", 99, ".mp4", Outcome::Refused},
    {"AviOverwritten", Damage::Overwritten, ".avi", 1, ".avi", Outcome::Either},
    {"MkvOverwritten", Damage::Overwritten, ".mkv", 2, ".mkv", Outcome::Either},
    {"VobOverwritten", Damage::Overwritten, ".vob", 3, ".vob", Outcome::Either},
    {"WmvOverwritten", Damage::Overwritten, ".wmv", 4, ".wmv", Outcome::Either},
    {"EmptyWmv", Damage::Empty, ".wmv", 0, ".wmv", Outcome::Refused},
    {"EmptyMkv", Damage::Empty, ".mkv", 0, ".mkv", Outcome::Refused},
    {"TextNamedMpg", Damage::Text, ".mpg", 0, ".mpg", Outcome::Refused},
    {"TextNamedWmv", Damage::Text, ".wmv", 0, ".wmv", Outcome::Refused},
    {"MatroskaNamedAvi", Damage::Renamed, ".mkv", 0, ".avi", Outcome::Plays},
    {"AviNamedWmv", Damage::Renamed, ".avi", 0, ".wmv", Outcome::Plays},
    {"WmvNamedMp4", Damage::Renamed, ".wmv", 0, ".mp4", Outcome::Plays},
};

class RepresentativeTest : public HostileMediaTest, public testing::WithParamInterface<HostileFile> {};

TEST_P(RepresentativeTest, NoCrashNoHangTheRightMessageAndTheNextFilePlays) {
    PlayEveryWay(GetParam());
}

INSTANTIATE_TEST_SUITE_P(HostileMedia, RepresentativeTest, testing::ValuesIn(Representative),
                         [](const auto& info) { return std::string(info.param.name); });

// Every container against every damage: a few minutes, so only on request.
struct Container {
    const char* extension;
    // A name of another container family, for the copy whose extension lies.
    const char* lie;
};

const Container Containers[] = {{".avi", ".mkv"}, {".wmv", ".avi"}, {".mpg", ".mp4"}, {".m2p", ".wmv"},
                                {".vob", ".avi"}, {".m1v", ".mpg"}, {".m2v", ".avi"}, {".mpv", ".wmv"},
                                {".mp4", ".mpg"}, {".mkv", ".wmv"}};

void PrintTo(const Container& container, std::ostream* out) {
    *out << container.extension;
}

class FullMatrixTest : public HostileMediaTest, public testing::WithParamInterface<Container> {};

TEST_P(FullMatrixTest, EveryDamage) {
    const char* flag = std::getenv("TARNWICK_LONG");
    if (!flag || std::string(flag) != "1") {
        GTEST_SKIP() << "the full matrix runs with TARNWICK_LONG=1";
    }
    const char* ext = GetParam().extension;
    std::vector<HostileFile> files;
    for (int percent : {1, 10, 50, 99}) {
        files.push_back({"cut", Damage::Cut, ext, percent, ext, Outcome::Either});
    }
    for (int seed : {1, 2, 3}) {
        files.push_back({"overwritten", Damage::Overwritten, ext, seed, ext, Outcome::Either});
    }
    files.push_back({"empty", Damage::Empty, ext, 0, ext, Outcome::Refused});
    files.push_back({"text", Damage::Text, ext, 0, ext, Outcome::Refused});
    files.push_back({"renamed", Damage::Renamed, ext, 0, GetParam().lie, Outcome::Plays});
    for (const HostileFile& file : files) {
        SCOPED_TRACE(std::string(file.name) + " " + ext + " (" + std::to_string(file.amount) + ") as " +
                     file.extension);
        PlayEveryWay(file);
    }
}

INSTANTIATE_TEST_SUITE_P(HostileMedia, FullMatrixTest, testing::ValuesIn(Containers),
                         [](const auto& info) { return std::string(info.param.extension + 1); });

// The guard itself: a call that does not return ends the program with the guard's message.
TEST(HangGuardTest, ACallThatDoesNotReturnEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Bounded("sleeping", 100ms, [] { std::this_thread::sleep_for(5s); }),
                testing::ExitedWithCode(HangGuard::ExitStatus), "sleeping did not return within 100 ms");
    EXPECT_EQ(Bounded("adding", 1s, [] { return 2 + 2; }), 4);
}

} // namespace
