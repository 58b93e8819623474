// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/MediaGenerator.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct ContainerDefaults {
    const char* extension;
    const char* format;
    const char* videoCodec;
    const char* audioCodec; // empty for elementary video streams
};

constexpr ContainerDefaults kContainers[] = {
    {".avi", "avi", "mpeg4", "libmp3lame"},   {".wmv", "asf", "wmv2", "wmav2"},
    {".asf", "asf", "wmv2", "wmav2"},         {".mpg", "vob", "mpeg2video", "mp2"},
    {".m2p", "vob", "mpeg2video", "mp2"},     {".vob", "vob", "mpeg2video", "mp2"},
    {".m1v", "mpeg1video", "mpeg1video", ""}, {".m2v", "mpeg2video", "mpeg2video", ""},
    {".mpv", "mpeg2video", "mpeg2video", ""}, {".mp4", "mp4", "libx264", "aac"},
    {".mkv", "matroska", "libx264", "aac"},   {".ogg", "ogg", "libtheora", "libvorbis"},
    {".oga", "ogg", "", "libvorbis"},         {".wav", "wav", "", "pcm_s16le"},
};

const ContainerDefaults& DefaultsFor(const std::string& extension) {
    for (const auto& defaults : kContainers) {
        if (extension == defaults.extension) {
            return defaults;
        }
    }
    throw std::invalid_argument("no clip recipe for " + extension);
}

} // namespace

std::string GenerateClip(const ClipSpec& recipe) {
    const ContainerDefaults& defaults = DefaultsFor(recipe.extension);
    std::string videoCodec = recipe.videoCodec.empty() ? defaults.videoCodec : recipe.videoCodec;
    std::string audioCodec = recipe.audioCodec.empty() ? defaults.audioCodec : recipe.audioCodec;
    bool video = recipe.video && !videoCodec.empty();
    bool audio = recipe.audio && !audioCodec.empty();

    std::ostringstream key;
    key << recipe.extension << '|' << recipe.width << 'x' << recipe.height << '|' << recipe.seconds << '|'
        << recipe.framesPerSecond << '|' << video << videoCodec << '|' << audio << audioCodec << "|v1";
    if (recipe.picture != ClipSpec{}.picture) {
        key << '|' << recipe.picture;
    }
    if (!recipe.drawn.empty()) {
        key << '|' << recipe.drawn;
    }
    if (recipe.interlaced) {
        key << "|interlaced";
    }
    if (!recipe.aspect.empty()) {
        key << "|aspect " << recipe.aspect;
    }
    for (const std::string& option : recipe.videoOptions) {
        key << '|' << option;
    }
    std::filesystem::create_directories(MediaCacheFolder());
    std::string path = MediaCacheFolder() + "/clip-" + std::to_string(std::hash<std::string>{}(key.str())) +
                       recipe.extension;
    if (std::filesystem::exists(path)) {
        return path;
    }

    std::string duration = std::to_string(recipe.seconds);
    std::vector<std::string> arguments = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    if (video) {
        arguments.insert(arguments.end(),
                         {"-f", "lavfi", "-i",
                          recipe.picture + (recipe.picture.find('=') == std::string::npos ? "=" : ":") +
                              "size=" + std::to_string(recipe.width) + "x" + std::to_string(recipe.height) +
                              ":rate=" + std::to_string(recipe.framesPerSecond) + ":duration=" + duration +
                              (recipe.drawn.empty() ? "" : "," + recipe.drawn) +
                              (recipe.interlaced ? ",tinterlace=mode=interleave_top,setfield=tff" : "")});
    }
    if (audio) {
        arguments.insert(arguments.end(),
                         {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + duration});
    }
    if (video) {
        arguments.insert(arguments.end(), {"-c:v", videoCodec, "-g", std::to_string(recipe.framesPerSecond),
                                           "-pix_fmt", "yuv420p"});
        if (videoCodec == "libx264") {
            arguments.insert(arguments.end(), {"-preset", "ultrafast"});
        }
        if (recipe.interlaced) {
            arguments.insert(arguments.end(), {"-flags", "+ilme+ildct", "-top", "1"});
        }
        if (!recipe.aspect.empty()) {
            arguments.insert(arguments.end(), {"-aspect", recipe.aspect});
        }
        arguments.insert(arguments.end(), recipe.videoOptions.begin(), recipe.videoOptions.end());
    }
    if (audio) {
        arguments.insert(arguments.end(), {"-c:a", audioCodec, "-ac", "2"});
    }
    // Written under a name of its own and renamed, so that tests running side by side never see a
    // half-made clip.
    std::string partial = path + ".part-" + std::to_string(::getpid());
    arguments.insert(arguments.end(), {"-f", defaults.format, partial});
    if (RunCommand(arguments) != 0) {
        std::filesystem::remove(partial);
        throw std::runtime_error("ffmpeg could not make a " + recipe.extension + " clip");
    }
    std::filesystem::rename(partial, path);
    return path;
}

ClipSpec MovingBarClip(bool interlaced) {
    ClipSpec recipe;
    recipe.extension = ".mpg";
    recipe.width = 720;
    recipe.height = 480;
    recipe.seconds = 2;
    recipe.framesPerSecond = 60;
    recipe.audio = false;
    recipe.picture = "color=c=black";
    // N counts the pictures before they are woven, so the bar moves 10 px a field.
    recipe.drawn = "format=yuv420p,geq=lum='if(between(X,40+mod(N*10,600),99+mod(N*10,600)),235,16)':"
                   "cb=128:cr=128";
    recipe.interlaced = interlaced;
    return recipe;
}

ClipSpec WideBoxClip() {
    ClipSpec recipe;
    recipe.extension = ".mpg";
    recipe.width = 720;
    recipe.height = 480;
    recipe.seconds = 1;
    recipe.audio = false;
    recipe.picture = "color=c=black";
    recipe.drawn = "drawbox=x=292:y=160:w=135:h=160:color=white:t=fill";
    recipe.aspect = "16:9";
    return recipe;
}

std::string CopyClipTo(const ClipSpec& recipe, const std::string& path) {
    std::filesystem::copy_file(GenerateClip(recipe), path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

std::string MediaCacheFolder() {
    const char* cache = std::getenv("TARNWICK_MEDIA_CACHE");
    return cache && *cache ? cache : "/tmp/tarnwick-media-cache";
}

int RunCommand(const std::vector<std::string>& arguments) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
