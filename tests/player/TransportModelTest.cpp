// SPDX-License-Identifier: GPL-2.0-or-later
// The transport as a user drives it, checked against a model of its rules: seeded random sequences of
// commands on the main window's handlers, over the real GStreamer graph and real clips, with a quick,
// a slow and a missing sound server. After every step the test checks what a user relies on: the
// play and pause state, the selection, where the position stands and whether it moves, that no
// command holds the window up for longer than a build may take, and that the graph does not grow.
//
// TARNWICK_SEED=N replays one seed; TARNWICK_STEPS=N sets the length of each; TARNWICK_LONG=1 runs
// fifteen seeds in a row, each from a fresh window.

#include "app/TAction.h"
#include "browser/TFileListBox.h"
#include "core/SettingsFileName.h"
#include "graph/GraphNames.h"
#include "graph/Halvion.h"
#include "graph/gst/PluginFolder.h"
#include "player/TfrmMain.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/player/ControllerFixture.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum class Sound { Quick, Slow, Missing };

struct Variant {
    const char* name;
    Sound sound;
    std::uint32_t firstSeed;
    int steps;
};

// The folder the list plays: a long clip with sound, a short one without, a text file that only
// looks like a video, and a short .wmv with sound for the device's own branch.
struct ListedClip {
    std::string name;
    ClipSpec recipe;
    bool broken = false;
};

std::vector<ListedClip> Listing() {
    std::vector<ListedClip> clips(4);
    clips[0].name = "a1.avi";
    clips[0].recipe.extension = ".avi";
    clips[0].recipe.seconds = 20.0;
    clips[1].name = "a2.avi";
    clips[1].recipe.extension = ".avi";
    clips[1].recipe.seconds = 1.5;
    clips[1].recipe.audio = false;
    clips[2].name = "a3.avi";
    clips[2].broken = true;
    clips[3].name = "a4.wmv";
    clips[3].recipe.extension = ".wmv";
    clips[3].recipe.seconds = 1.5;
    return clips;
}

enum class Command {
    Play,
    Pause,
    Stop,
    Next,
    Previous,
    DoubleClick,
    Skip,
    SeekBar,
    PlayOut,
    Wait,
    ToggleVideo,
    ToggleAudio,
    SuspendSound,
};

const char* NameOf(Command command) {
    static const char* const names[] = {"Play",        "Pause",       "Stop",        "Next",    "Previous",
                                        "DoubleClick", "Skip",        "SeekBar",     "PlayOut", "Wait",
                                        "ToggleVideo", "ToggleAudio", "SuspendSound"};
    return names[static_cast<int>(command)];
}

// What the rules say the window's state is: the play and pause flags, the pause button, the list's
// selection and the file the graph holds, and the two output options.
struct Model {
    bool playing = false;
    bool paused = false;
    bool pauseChecked = false;
    int selected = -1;
    int open = -1;
    bool video = false;
    bool audio = false;
    // Whether the graph runs: also true in the one idle state where a Pause set the graph running.
    bool running = false;
};

constexpr std::int64_t SkipAmounts[] = {-15, -5, 5, 15, 30, 60, 90};

class TransportModelTest : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        if (GetParam().sound == Sound::Missing) {
            ::setenv("PULSE_SERVER", "unix:/nonexistent/tarnwick-no-sound", 1);
        }
        if (GetParam().sound == Sound::Slow) {
            // The sound server is asked to buffer far more than usual, as a Bluetooth or a busy
            // PipeWire desktop does: every start, pause and seek then waits on it.
            ::setenv("PULSE_LATENCY_MSEC", "1500", 1);
        }
        std::remove(SettingsFileName().c_str());
        for (const ListedClip& clip : clips_) {
            if (clip.broken) {
                folder_.WriteFile(clip.name, "not a video, only named like one\n");
            } else {
                CopyClipTo(clip.recipe, folder_ / clip.name);
            }
        }
        StartGStreamer(PluginFolderBesideExecutable());
        if (GetParam().sound == Sound::Quick) {
            // An idle null sink wakes only every two seconds; a silent stream keeps it awake, as a
            // desktop's sound server is.
            keepAwake_ = gst_parse_launch(
                "audiotestsrc wave=silence is-live=true ! pulsesink client-name=keep-awake", nullptr);
            if (keepAwake_) {
                gst_element_set_state(keepAwake_, GST_STATE_PLAYING);
            }
        }
    }

    // A fresh window in the clips' folder, nothing selected, both outputs off, as the model starts.
    void StartWindow() {
        AnswerEveryBox([this] { form_.reset(); });
        std::FILE* settings = std::fopen(SettingsFileName().c_str(), "wb");
        ASSERT_NE(settings, nullptr);
        std::fprintf(settings, "[Play]\nDir=%s\n", folder_.Path().c_str());
        std::fclose(settings);
        system_ = std::make_shared<CapturingGstSystem>();
        const auto boxes = AnswerEveryBox([this] {
            form_ = std::make_unique<TfrmMain>(system_);
            form_->Timer1->stop();
            form_->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
            QApplication::processEvents();
        });
        ASSERT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
        ASSERT_EQ(form_->FileListBox1->Count(), static_cast<int>(clips_.size()));
        model_ = Model{};
        model_.selected = form_->FileListBox1->ItemIndex();
        graphSizes_.clear();
        log_.clear();
    }

    void TearDown() override {
        AnswerEveryBox([this] { form_.reset(); });
        if (keepAwake_) {
            gst_element_set_state(keepAwake_, GST_STATE_NULL);
            gst_object_unref(keepAwake_);
        }
        std::remove(SettingsFileName().c_str());
    }

    THalvion& Player() const { return *form_->PlayerObject(); }
    // The window's event loop runs between the user's looks (its timer is stopped: the test ticks).
    MediaTime Position() const {
        QApplication::processEvents();
        return Player().GetPosition();
    }
    MediaTime Length() const {
        MediaTime current = 0;
        MediaTime stop = 0;
        auto graph = system_->Graph();
        return graph && Succeeded(graph->GetPositions(current, stop)) ? stop : 0;
    }
    bool OpenIsGood() const { return model_.open >= 0 && !clips_[model_.open].broken; }

    // Runs one step of the window's work, answering any error box it opens, and checks that it did
    // not hold the window up for longer than a build may take.
    void Do(const std::function<void()>& action) {
        const auto started = Clock::now();
        boxes_ = AnswerEveryBox(action);
        const auto took = Clock::now() - started;
        EXPECT_LT(took, milliseconds(9000)) << "a command held the window up";
    }

    // The model's part of opening the selected file and running it from 0.
    void ModelOpensAndRuns() {
        if (model_.selected < 0) {
            model_.selected = 0;
        }
        model_.open = model_.selected;
        model_.playing = true;
        model_.paused = false;
        model_.running = true;
    }

    // A file just opened and run: at the start at first, then on its way within a bounded time.
    void ExpectStartedFromTheBeginning() {
        const MediaTime first = Position();
        if (!OpenIsGood()) {
            EXPECT_EQ(first, 0) << "a file that could not be built stands at 0";
            return;
        }
        // With no sound server, sound routed to the device cannot be played either, and saying so is
        // right.
        const bool soundCannotPlay = GetParam().sound == Sound::Missing && model_.audio;
        for (const SeenBox& box : boxes_) {
            EXPECT_TRUE(soundCannotPlay) << "an error box for a good file: " << box.text.toStdString();
        }
        EXPECT_LT(first, Second) << "a file opened and run starts from its beginning";
        ExpectMoving(first);
        CheckGraphSize();
    }

    void ExpectMoving(MediaTime from) {
        const MediaTime length = Length();
        const auto until = Clock::now() + milliseconds(8000);
        MediaTime now = Position();
        while (now < from + Second / 10 && now < length && Clock::now() < until) {
            std::this_thread::sleep_for(milliseconds(20));
            now = Position();
        }
        EXPECT_TRUE(now >= from + Second / 10 || now == length)
            << "playback did not move on from " << from << " (now " << now << ", length " << length << ")";
    }

    void ExpectStill(MediaTime expected, MediaTime tolerance) {
        std::this_thread::sleep_for(milliseconds(250));
        const MediaTime now = Position();
        EXPECT_LE(std::llabs(now - expected), tolerance) << "the position should stand at " << expected;
    }

    // One graph's elements for each file and routing: a graph built again and again must not grow.
    void CheckGraphSize() {
        auto graph = system_->Graph();
        if (!graph) {
            return;
        }
        int count = 0;
        GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(graph->Pipeline()));
        GValue item = G_VALUE_INIT;
        for (bool more = true; more;) {
            switch (gst_iterator_next(elements, &item)) {
            case GST_ITERATOR_OK:
                ++count;
                g_value_reset(&item);
                break;
            case GST_ITERATOR_RESYNC:
                count = 0;
                gst_iterator_resync(elements);
                break;
            default:
                more = false;
            }
        }
        g_value_unset(&item);
        gst_iterator_free(elements);
        const auto key = std::make_tuple(model_.open, model_.video, model_.audio);
        const auto seen = graphSizes_.emplace(key, count);
        EXPECT_LE(count, seen.first->second + 2) << "the graph grew for the same file and routing";
    }

    void CheckState() {
        EXPECT_EQ(Player().Playing, model_.playing);
        EXPECT_EQ(Player().Paused, model_.paused);
        EXPECT_EQ(form_->ActionPause->Checked(), model_.pauseChecked);
        EXPECT_EQ(form_->FileListBox1->ItemIndex(), model_.selected);
        EXPECT_EQ(form_->ActionEnableVideo->Checked(), model_.video);
        EXPECT_EQ(form_->ActionEnableAudio->Checked(), model_.audio);
    }

    void Step(Command command, std::mt19937& random);
    void RunSeed(std::uint32_t seed, int steps, const std::vector<std::pair<Command, int>>& weights,
                 std::discrete_distribution<int>& pick);

    const std::vector<ListedClip> clips_ = Listing();
    TempDir folder_;
    GstElement* keepAwake_ = nullptr;
    std::shared_ptr<CapturingGstSystem> system_;
    std::unique_ptr<TfrmMain> form_;
    Model model_;
    std::map<std::tuple<int, bool, bool>, int> graphSizes_;
    std::vector<SeenBox> boxes_;
    std::string log_;
};

void TransportModelTest::Step(Command command, std::mt19937& random) {
    const int count = static_cast<int>(clips_.size());
    std::ostringstream said;
    said << NameOf(command);
    switch (command) {
    case Command::Play: {
        const bool wasPlaying = model_.playing;
        const bool wasPaused = model_.paused;
        const MediaTime before = Position();
        Do([this] { form_->ActionPlay->Execute(); });
        if (!wasPlaying) {
            ModelOpensAndRuns();
        }
        model_.paused = false;
        model_.pauseChecked = false;
        model_.running = true;
        CheckState();
        if (!wasPlaying) {
            ExpectStartedFromTheBeginning();
        } else if (wasPaused && OpenIsGood()) {
            ExpectMoving(before);
        }
        break;
    }
    case Command::Pause: {
        const MediaTime before = Position();
        Do([this] { form_->ActionPause->Execute(); });
        model_.running = model_.paused;
        model_.paused = !model_.paused;
        model_.pauseChecked = model_.paused;
        CheckState();
        if (OpenIsGood() && !model_.running) {
            std::this_thread::sleep_for(milliseconds(150));
            ExpectStill(Position(), Second / 20);
        } else if (OpenIsGood()) {
            ExpectMoving(before);
        }
        break;
    }
    case Command::Stop:
        Do([this] { form_->ActionStop->Execute(); });
        model_.playing = false;
        model_.running = false;
        CheckState();
        EXPECT_EQ(Position(), 0) << "a stop rewinds";
        if (auto graph = system_->Graph()) {
            EXPECT_TRUE(graph->Stopped());
        }
        ExpectStill(0, 0);
        break;
    case Command::Next:
    case Command::Previous: {
        Do([this, command] {
            (command == Command::Next ? form_->ActionNext : form_->ActionPrev)->Execute();
        });
        const int from = model_.selected;
        if (command == Command::Next) {
            model_.selected = from == count - 1 ? 0 : from + 1;
        } else {
            // From no selection, the index -2 is refused; the open then selects the first row.
            model_.selected = from == 0 ? count - 1 : (from - 1 < -1 ? from : from - 1);
        }
        ModelOpensAndRuns();
        CheckState();
        ExpectStartedFromTheBeginning();
        break;
    }
    case Command::DoubleClick: {
        const int row = std::uniform_int_distribution<int>(0, count - 1)(random);
        said << " " << clips_[row].name;
        form_->FileListBox1->SetItemIndex(row);
        model_.selected = row;
        Do([this] { emit form_->FileListBox1->OnDblClick(); });
        ModelOpensAndRuns();
        CheckState();
        ExpectStartedFromTheBeginning();
        break;
    }
    case Command::Skip: {
        const std::int64_t seconds = SkipAmounts[std::uniform_int_distribution<int>(0, 6)(random)];
        said << " " << seconds;
        const MediaTime length = Length();
        const MediaTime before = Position();
        const auto started = Clock::now();
        Do([this, seconds] { form_->PlayerObject()->SkipSeconds(seconds); });
        const MediaTime after = Position();
        CheckState();
        if (OpenIsGood()) {
            const MediaTime expected = std::clamp<MediaTime>(before + seconds * Second, 0, length);
            const MediaTime slack =
                Second / 4 + (model_.running
                                  ? std::chrono::duration_cast<milliseconds>(Clock::now() - started).count() *
                                        (Second / 1000)
                                  : 0);
            EXPECT_LE(std::llabs(after - expected), slack)
                << "a skip of " << seconds << " s from " << before << " of " << length;
        } else {
            EXPECT_EQ(after, 0);
        }
        break;
    }
    case Command::SeekBar: {
        const int bar = std::uniform_int_distribution<int>(-200, 10200)(random);
        said << " " << bar;
        const MediaTime length = Length();
        Do([this, bar] { form_->ScrollBar1Scroll(scTrack, bar); });
        CheckState();
        const MediaTime expected = std::clamp<MediaTime>(length * bar / 10000, 0, length);
        if (OpenIsGood()) {
            EXPECT_LE(std::llabs(Position() - expected), Second / 4)
                << "the bar at " << bar << " of " << length;
        }
        break;
    }
    case Command::PlayOut: {
        // Only a running file plays out; near its end first, so that a long one does not take long.
        if (!model_.playing || model_.paused || model_.open < 0) {
            said << " (nothing running)";
            break;
        }
        if (OpenIsGood() && Length() > 3 * Second) {
            Do([this] { form_->ScrollBar1Scroll(scTrack, 9500); });
        }
        const int from = model_.selected;
        const auto until = Clock::now() + milliseconds(12000);
        while (form_->FileListBox1->ItemIndex() == from && Clock::now() < until) {
            QApplication::processEvents();
            Do([this] { form_->Timer1Timer(); });
            std::this_thread::sleep_for(milliseconds(50));
        }
        model_.selected = from == count - 1 ? 0 : from + 1;
        ModelOpensAndRuns();
        CheckState();
        ExpectStartedFromTheBeginning();
        break;
    }
    case Command::Wait: {
        const int ms = std::uniform_int_distribution<int>(100, 600)(random);
        said << " " << ms;
        const MediaTime before = Position();
        std::this_thread::sleep_for(milliseconds(ms));
        const MediaTime after = Position();
        CheckState();
        if (!model_.running && OpenIsGood()) {
            EXPECT_LE(std::llabs(after - before), Second / 20) << "a paused or stopped position holds";
        }
        break;
    }
    case Command::ToggleVideo:
        Do([this] { form_->ActionEnableVideo->Execute(); });
        model_.video = !model_.video;
        CheckState();
        break;
    case Command::ToggleAudio:
        Do([this] { form_->ActionEnableAudio->Execute(); });
        model_.audio = !model_.audio;
        CheckState();
        break;
    case Command::SuspendSound:
        if (GetParam().sound == Sound::Slow) {
            // The sound server lets the sink go and takes it back, as one does when a headset leaves.
            std::system("pactl suspend-sink null 1 >/dev/null 2>&1");
            std::this_thread::sleep_for(milliseconds(300));
            std::system("pactl suspend-sink null 0 >/dev/null 2>&1");
        }
        CheckState();
        break;
    }
    said << " -> " << (model_.playing ? "P" : "-") << (model_.paused ? "p" : "-") << " sel "
         << model_.selected << " at " << Position() / (Second / 10);
    log_ += said.str() + "\n";
}

TEST_P(TransportModelTest, RandomCommandSequencesKeepTheRules) {
    const char* seedText = std::getenv("TARNWICK_SEED");
    const char* stepsText = std::getenv("TARNWICK_STEPS");
    const bool longRun = std::getenv("TARNWICK_LONG") != nullptr;
    const std::uint32_t firstSeed =
        seedText ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10)) : GetParam().firstSeed;
    const std::uint32_t seeds = longRun && !seedText ? 15 : 1;
    const int steps = stepsText ? std::atoi(stepsText) : GetParam().steps;
    // Weighted so that the commands a user gives most come most, and each kind comes often.
    const std::vector<std::pair<Command, int>> weights = {
        {Command::Play, 10},        {Command::Pause, 10},      {Command::Stop, 8},
        {Command::Next, 6},         {Command::Previous, 4},    {Command::DoubleClick, 6},
        {Command::Skip, 10},        {Command::SeekBar, 6},     {Command::PlayOut, 5},
        {Command::Wait, 6},         {Command::ToggleVideo, 2}, {Command::ToggleAudio, 2},
        {Command::SuspendSound, 2},
    };
    std::vector<int> shares;
    for (const auto& weight : weights) {
        shares.push_back(weight.second);
    }
    std::discrete_distribution<int> pick(shares.begin(), shares.end());
    for (std::uint32_t seed = firstSeed; seed < firstSeed + seeds && !HasFailure(); ++seed) {
        RunSeed(seed, steps, weights, pick);
    }
}

void TransportModelTest::RunSeed(std::uint32_t seed, int steps,
                                 const std::vector<std::pair<Command, int>>& weights,
                                 std::discrete_distribution<int>& pick) {
    StartWindow();
    std::mt19937 random(seed);
    for (int step = 0; step < steps && !HasFailure(); ++step) {
        const Command command = weights[pick(random)].first;
        SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(step) + " (" +
                     NameOf(command) + ")");
        Step(command, random);
    }
    if (HasFailure()) {
        std::printf("Replay with TARNWICK_SEED=%u TARNWICK_STEPS=%d. The sequence:\n%s", seed, steps,
                    log_.c_str());
    } else {
        std::printf("seed %u: %d steps kept the rules\n", seed, steps);
        if (std::getenv("TARNWICK_SHOW_STEPS")) {
            std::printf("%s", log_.c_str());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sound, TransportModelTest,
                         testing::Values(Variant{"Quick", Sound::Quick, 1, 300},
                                         Variant{"Slow", Sound::Slow, 1001, 100},
                                         Variant{"Missing", Sound::Missing, 2001, 120}),
                         [](const auto& info) { return std::string(info.param.name); });

#if defined(__SANITIZE_ADDRESS__)
// LeakSanitizer looks for leaks as the process exits, stopping every thread first. After the missing
// sound server's sequences it has now and then crashed there ("Tracer caught signal 11", no leak
// named), every step having passed, while libraries and their threads were going down. Looked for
// once the tests are done, before exit begins, the leaks are the same and nothing is going down.
class LeakCheckBeforeExit : public testing::Environment {
    void TearDown() override { __lsan_do_leak_check(); }
};
[[maybe_unused]] testing::Environment* const leakCheckBeforeExit =
    testing::AddGlobalTestEnvironment(new LeakCheckBeforeExit);
#endif

} // namespace
