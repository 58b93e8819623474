// SPDX-License-Identifier: GPL-2.0-or-later
// Long runs: the real program playing a folder of one-second clips round and round, its resident
// memory sampled as it goes; and the playback object over many files with GStreamer's leak tracer
// watching. The normal pass runs them briefly; TARNWICK_LONG=1 runs them long (300 end-of-file steps).

#include "core/ProfileFile.h"
#include "tests/reliability/DamagedMedia.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

using Objects = std::vector<SeenObject>;

#ifdef TARNWICK_SANITIZED
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

bool LongRun() {
    const char* flag = std::getenv("TARNWICK_LONG");
    return flag && std::string(flag) == "1";
}

// The process running the given executable file, or 0.
int ProcessOf(const std::string& program) {
    const auto wanted = std::filesystem::weakly_canonical(program);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code error;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", error);
        if (!error && exe == wanted) {
            return std::atoi(entry.path().filename().c_str());
        }
    }
    return 0;
}

// Resident memory in KiB, from /proc/<pid>/status; 0 when the process is gone.
long ResidentKiB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

std::string TextOf(const Objects& objects, const std::string& role, const std::string& name) {
    for (const SeenObject& seen : objects) {
        if (seen.role == role && seen.name == name) {
            return seen.text;
        }
    }
    return {};
}

std::string SelectedOf(const Objects& objects, const std::string& extension) {
    for (const SeenObject& seen : objects) {
        if (seen.role == "list item" && seen.name.ends_with(extension) && seen.Has("selected")) {
            return seen.name;
        }
    }
    return {};
}

std::vector<std::string> SelectedNames(const Objects& objects, const std::string& extension) {
    std::vector<std::string> names;
    for (const SeenObject& seen : objects) {
        if (seen.role == "list item" && seen.name.ends_with(extension) && seen.Has("selected")) {
            names.push_back(seen.name);
        }
    }
    return names;
}

// PulseAudio's null sink, left idle, wakes only every two seconds, which would hold back the start of
// each clip's sound by a random amount; a silent stream of the test's own keeps it awake.
class SoundServerAwake {
public:
    SoundServerAwake() {
        gst_init(nullptr, nullptr);
        pipeline_ = gst_parse_launch(
            "audiotestsrc wave=silence is-live=true ! pulsesink client-name=keep-awake", nullptr);
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_PLAYING);
        }
    }
    ~SoundServerAwake() {
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            gst_object_unref(pipeline_);
        }
    }

private:
    GstElement* pipeline_ = nullptr;
};

// Open file descriptors of the process.
int OpenFiles(int pid) {
    std::error_code error;
    int count = 0;
    for (auto entry = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        ++count;
    }
    return count;
}

struct Sample {
    int step;
    long kib;
    int files;
};

// KiB per step of the least-squares line through the samples from the given step on.
double GrowthPerStep(const std::vector<Sample>& samples, int from) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& sample : samples) {
        if (sample.step >= from) {
            n += 1;
            sx += sample.step;
            sy += static_cast<double>(sample.kib);
            sxx += static_cast<double>(sample.step) * sample.step;
            sxy += static_cast<double>(sample.step) * static_cast<double>(sample.kib);
        }
    }
    const double spread = n * sxx - sx * sx;
    return spread > 0 ? (n * sxy - sx * sy) / spread : 0;
}

std::string WindowTitles() {
    std::string titles;
    for (const X11Window& window : ListTitledWindows()) {
        titles += "'" + window.title + "' ";
    }
    return titles;
}

class SoakTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }
};

// The program plays the folder round and round; every end of a file is one step.
TEST_F(SoakTest, AFolderOfShortClipsPlaysRoundAndRoundWithFlatMemory) {
    const int steps = LongRun() ? 300 : 20;
    const int warmUp = LongRun() ? 30 : 5;
    const int sampleEvery = LongRun() ? 10 : 1;
    SoundServerAwake awake;

    PlayerInstall install(".avi");
    for (const char* name : {"a1.avi", "a2.avi", "a3.avi"}) {
        std::filesystem::remove(install.Clip(name));
    }
    const std::vector<std::string> clips = {"c1.avi", "c2.avi", "c3.avi", "c4.avi", "c5.avi"};
    ClipSpec recipe;
    recipe.extension = ".avi";
    recipe.seconds = 1.0;
    for (const std::string& clip : clips) {
        CopyClipTo(recipe, install.Clip(clip));
    }
    // Started as a resumed run of the first clip, so that nothing has to be clicked.
    {
        std::ofstream settings(install.SettingsFile());
        settings << "[Play]\nDir=" << install.Clips() << "\nFile=" << install.Clip(clips[0])
                 << "\nResume=1\nPlaying=1\nPosition=0\n";
    }

    RunningPlayer player(install);
    const auto indexOf = [&clips](const std::string& name) {
        return static_cast<int>(std::find(clips.begin(), clips.end(), name) - clips.begin());
    };
    ASSERT_TRUE(player.WaitUntil(
        [&](const Objects& o) {
            return SelectedOf(o, ".avi") == clips[0] && !TextOf(o, "text", "再生位置").empty();
        },
        30000))
        << "the first clip plays at the start; selected " << player.SelectedFile();
    int pid = 0;
    for (int i = 0; i < 50 && pid == 0; ++i) {
        pid = ProcessOf(install.Program());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(pid, 0);

    // The selection moves one row at each end of a file; the polls come far oftener than that, so the
    // distance since the last poll counts the steps even when one was missed.
    std::vector<Sample> samples{{0, ResidentKiB(pid), OpenFiles(pid)}};
    int step = 0;
    int last = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(steps * 3 + 30);
    while (step < steps && std::chrono::steady_clock::now() < deadline && player.Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const int now = indexOf(player.SelectedFile());
        if (now >= static_cast<int>(clips.size())) {
            continue;
        }
        const int moved = (now - last + static_cast<int>(clips.size())) % static_cast<int>(clips.size());
        last = now;
        step += moved;
        if (moved > 0 && step - samples.back().step >= sampleEvery) {
            samples.push_back({step, ResidentKiB(pid), OpenFiles(pid)});
        }
    }
    ASSERT_GE(step, steps) << "the folder stopped moving on after " << step << " steps, at "
                           << player.SelectedFile() << " " << player.PositionText()
                           << "; windows: " << WindowTitles();

    std::ostringstream curve;
    for (const Sample& sample : samples) {
        curve << sample.step << ":" << sample.kib << "/" << sample.files << " ";
    }
    std::printf("resident memory and open files (step:KiB/files): %s\n", curve.str().c_str());
    RecordProperty("rss_curve", curve.str());

    // Flat after the warm-up. Over a long run the trend must be level (the allocator's slack comes and
    // goes, a graph or buffer left behind at each file adds up); a short run can only catch a gross
    // leak, so it allows the total to rise by a margin.
    long afterWarmUp = 0;
    for (const Sample& sample : samples) {
        if (sample.step <= warmUp) {
            afterWarmUp = std::max(afterWarmUp, sample.kib);
        }
    }
    const long atEnd = samples.back().kib;
    if (Sanitized) {
        // The address sanitizer holds freed memory back for a while: resident memory says nothing.
    } else if (LongRun()) {
        const double growth = GrowthPerStep(samples, warmUp);
        RecordProperty("rss_growth_kib_per_step", std::to_string(growth));
        EXPECT_LE(growth, 10.0) << "resident memory rises by " << growth
                                << " KiB at each file: " << curve.str();
    } else {
        EXPECT_LE(atEnd, afterWarmUp + 8 * 1024)
            << "resident memory grew from " << afterWarmUp << " KiB after " << warmUp << " steps to " << atEnd
            << " KiB: " << curve.str();
    }
    // Open files come and go with each file's streams; what was open at the worst moment of the warm-up
    // is the most there ever is.
    int filesInWarmUp = 0;
    int filesAfter = 0;
    for (const Sample& sample : samples) {
        int& worst = sample.step <= warmUp ? filesInWarmUp : filesAfter;
        worst = std::max(worst, sample.files);
    }
    EXPECT_LE(filesAfter, filesInWarmUp + 4) << "open files: " << curve.str();

    // At the end, what is shown still agrees with what plays: a position within the clip, moving, and
    // the playing file is the one selected and the one stored at exit.
    const Objects seen = player.Objects();
    const std::string position = TextOf(seen, "text", "再生位置");
    EXPECT_GE(position, "00:00:00.0");
    EXPECT_LE(position, "00:00:01.0");
    // Through the button's action: a click could land on a window lying over it (listed if it fails).
    // A pause that lands after a clip has ended, before the window's timer has seen the end, still
    // steps on and plays the next clip: then the pause is pressed again, but only once what is shown
    // has not settled within a few seconds, since a pause taken late under a slow build would be
    // undone by a second press. A player whose pauses never hold still fails.
    const std::string windows = WindowTitles();
    const auto shown = [](const Objects& o) {
        return SelectedOf(o, ".avi") + " " + TextOf(o, "text", "再生位置");
    };
    Objects first;
    Objects second;
    bool settled = false;
    for (int attempt = 0; attempt < 3 && !settled; ++attempt) {
        player.Press("一時停止");
        second = player.Objects();
        for (int read = 0; read < 10 && !settled; ++read) {
            first = std::move(second);
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            second = player.Objects();
            settled = shown(first) == shown(second);
        }
    }
    const std::string paused = TextOf(first, "text", "再生位置");
    EXPECT_EQ(TextOf(second, "text", "再生位置"), paused)
        << "paused playback stands still; windows: " << windows;
    EXPECT_LE(paused, "00:00:01.0");
    const std::vector<std::string> selected = SelectedNames(second, ".avi");
    ASSERT_EQ(selected.size(), 1u) << "one row is selected, not " << testing::PrintToString(selected);
    // Zero also says that LeakSanitizer, in the sanitizer build, found nothing at exit.
    EXPECT_EQ(player.Close(Sanitized ? 120000 : 15000), 0);
    ProfileFile settings(install.SettingsFile());
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip(selected.front()));
    EXPECT_TRUE(settings.ReadBool("Play", "Playing", false));
}

} // namespace
