// Whole programs against other players on the same files, under the test X and sound servers:
// - first_frame_<container>: from starting the program to the first picture on the X server, for
//   tarnwick-probe against gst-play-1.0 (target 1.1x) and against mpv (target 1.0x);
// - playback_cpu_1080p / playback_peak_memory_1080p: CPU seconds and peak resident memory to play a
//   10 s 1920 x 1080 H.264 clip to its end, tarnwick-probe against gst-play-1.0 (target 1.1x).
// The memory figure is reported in the time column: 1 ms stands for 1 MiB. bench/run provides the X
// and sound servers; clips are made once with ffmpeg into the
// test media cache ($TARNWICK_MEDIA_CACHE, else /tmp/tarnwick-media-cache).

#include "bench/ScreenWatch.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
    bool ok = false;
    double firstFrameSeconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
};

pid_t Start(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

void Finish(pid_t pid, Outcome& outcome, bool stopIt) {
    if (stopIt) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    outcome.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    outcome.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Starts the program and waits for the first picture any new window of it shows.
Outcome TimeFirstFrame(const std::vector<std::string>& arguments) {
    Outcome outcome;
    const ScreenWatch screen;
    const std::vector<Window> before = screen.AllWindows();
    const std::set<Window> existing(before.begin(), before.end());

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Start(arguments);
    if (pid == 0) {
        return outcome;
    }
    while (!outcome.ok && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        outcome.ok = screen.AnyNewWindowShowsPicture(existing);
        if (!outcome.ok) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    outcome.firstFrameSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Finish(pid, outcome, true);
    return outcome;
}

Outcome PlayThrough(const std::vector<std::string>& arguments) {
    Outcome outcome;
    const pid_t pid = Start(arguments);
    if (pid == 0) {
        return outcome;
    }
    Finish(pid, outcome, false);
    outcome.ok = true;
    return outcome;
}

std::vector<std::string> Probe(const std::string& file, bool toTheEnd) {
    std::vector<std::string> arguments = {TARNWICK_PROBE, file};
    if (!toTheEnd) {
        arguments.insert(arguments.end(), {"--seconds", "5"});
    }
    return arguments;
}

std::vector<std::string> GstPlay(const std::string& file) {
    return {"gst-play-1.0", "-q", "--videosink=ximagesink", file};
}

std::vector<std::string> Mpv(const std::string& file) {
    return {"mpv", "--no-config", "--really-quiet", "--vo=x11", "--ao=pulse", file};
}

// A clip of testsrc2 and a tone, made once by ffmpeg; the codecs are the container's usual ones.
std::string MakeClip(const std::string& extension, int width, int height, int seconds) {
    struct Recipe {
        const char* extension;
        const char* format;
        std::vector<std::string> codecs;
    };
    const Recipe recipes[] = {
        {".avi", "avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
        {".wmv", "asf", {"-c:v", "wmv2", "-c:a", "wmav2"}},
        {".mpg", "vob", {"-c:v", "mpeg2video", "-c:a", "mp2"}},
        {".m2v", "mpeg2video", {"-c:v", "mpeg2video", "-an"}},
        {".mp4", "mp4", {"-c:v", "libx264", "-preset", "veryfast", "-b:v", "6M", "-c:a", "aac"}},
        {".mkv", "matroska", {"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"}},
    };
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const char* cache = std::getenv("TARNWICK_MEDIA_CACHE");
    const std::filesystem::path folder = cache && *cache ? cache : "/tmp/tarnwick-media-cache";
    std::filesystem::create_directories(folder);
    const std::string path =
        (folder / ("player-bench-" + size + "-" + std::to_string(seconds) + "s" + extension)).string();
    if (std::filesystem::exists(path)) {
        return path;
    }
    for (const Recipe& recipe : recipes) {
        if (extension != recipe.extension) {
            continue;
        }
        const std::string duration = std::to_string(seconds);
        std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=" + size +
                              ":rate=25:duration=" + duration +
                              " -f lavfi -i sine=frequency=440:duration=" + duration +
                              " -g 25 -pix_fmt yuv420p -ac 2";
        for (const std::string& codec : recipe.codecs) {
            command += " " + codec;
        }
        command += std::string(" -f ") + recipe.format + " " + path + ".part && mv " + path + ".part " + path;
        if (std::system(command.c_str()) == 0) {
            return path;
        }
    }
    return {};
}

bool HaveServers(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        state.SkipWithError("needs an X server (bench/run starts one)");
        return false;
    }
    return true;
}

void FirstFrame(benchmark::State& state, const std::string& extension,
                std::vector<std::string> (*command)(const std::string&)) {
    const std::string file = MakeClip(extension, 320, 240, 2);
    if (!HaveServers(state) || file.empty()) {
        return;
    }
    for (auto _ : state) {
        const Outcome outcome = TimeFirstFrame(command(file));
        if (!outcome.ok) {
            state.SkipWithError("no picture within 10 s");
            return;
        }
        state.SetIterationTime(outcome.firstFrameSeconds);
    }
}

enum class Measure { Cpu, Memory };

void Playback(benchmark::State& state, Measure measure,
              std::vector<std::string> (*command)(const std::string&)) {
    const std::string file = MakeClip(".mp4", 1920, 1080, 10);
    if (!HaveServers(state) || file.empty()) {
        return;
    }
    for (auto _ : state) {
        const Outcome outcome = PlayThrough(command(file));
        if (!outcome.ok) {
            state.SkipWithError("the program did not run");
            return;
        }
        state.SetIterationTime(measure == Measure::Cpu ? outcome.cpuSeconds : outcome.peakMiB / 1000.0);
    }
}

std::vector<std::string> ProbeShort(const std::string& file) {
    return Probe(file, false);
}

std::vector<std::string> ProbeWhole(const std::string& file) {
    return Probe(file, true);
}

void Register(const std::string& name, const std::string& label, double target,
              std::function<void(benchmark::State&)> body) {
    auto* benchmark =
        benchmark::RegisterBenchmark(name.c_str(), [body, label, target](benchmark::State& state) {
            body(state);
            state.SetLabel(label);
            if (target > 0) {
                state.counters["target_ratio"] = target;
            }
        });
    benchmark->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = [] {
    for (const char* extension : {".avi", ".wmv", ".mpg", ".m2v", ".mp4", ".mkv"}) {
        const std::string ext = std::string(extension).substr(1);
        const std::string group = "first_frame_" + ext;
        Register(group + "/reference", "gst-play-1.0 --videosink=ximagesink: start to first picture", 0,
                 [extension](benchmark::State& state) { FirstFrame(state, extension, GstPlay); });
        Register(group + "/tarnwick", "tarnwick-probe: start to first picture (OpenFile, window placed)", 1.1,
                 [extension](benchmark::State& state) { FirstFrame(state, extension, ProbeShort); });
        Register(group + "_vs_mpv/reference", "mpv --vo=x11: start to first picture", 0,
                 [extension](benchmark::State& state) { FirstFrame(state, extension, Mpv); });
        Register(group + "_vs_mpv/tarnwick", "tarnwick-probe: start to first picture", 1.0,
                 [extension](benchmark::State& state) { FirstFrame(state, extension, ProbeShort); });
    }
    Register("playback_cpu_1080p/reference",
             "gst-play-1.0 --videosink=ximagesink: CPU seconds (as ms = ms of CPU)", 0,
             [](benchmark::State& state) { Playback(state, Measure::Cpu, GstPlay); });
    Register("playback_cpu_1080p/tarnwick",
             "tarnwick-probe to the end: CPU seconds of a 10 s 1920x1080 H.264 clip", 1.1,
             [](benchmark::State& state) { Playback(state, Measure::Cpu, ProbeWhole); });
    Register("playback_peak_memory_1080p/reference", "gst-play-1.0: peak resident memory, 1 ms shown = 1 MiB",
             0, [](benchmark::State& state) { Playback(state, Measure::Memory, GstPlay); });
    Register("playback_peak_memory_1080p/tarnwick",
             "tarnwick-probe: peak resident memory, 1 ms shown = 1 MiB", 1.1,
             [](benchmark::State& state) { Playback(state, Measure::Memory, ProbeWhole); });
    return true;
}();

} // namespace
