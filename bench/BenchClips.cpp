#include "bench/BenchClips.h"

#include "tests/support/MediaGenerator.h"

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

std::string BenchClip::Path() const {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::filesystem::path cache = MediaCacheFolder();
    std::filesystem::create_directories(cache);
    // The name holds everything in the recipe, so that a changed recipe makes a new clip.
    const std::string path = (cache / ("bench-" + size + "-" + std::to_string(framesPerSecond) + "fps-" +
                                       std::to_string(static_cast<int>(keyFrameSeconds * 1000)) +
                                       "ms-key-mirrored-v2" + extension))
                                 .string();
    if (std::filesystem::exists(path)) {
        return path;
    }
    const std::string seconds = std::to_string(BenchClipSeconds);
    const std::string picture =
        "testsrc2=size=" + size + ":rate=" + std::to_string(framesPerSecond) + ":duration=" + seconds;
    const std::string tone = "sine=frequency=440:sample_rate=48000:duration=" + seconds;
    const std::string mirror = "hflip=enable='gte(t," + std::to_string(BenchClipMirroredFrom) + ")'";
    const std::string keyFrameInterval = std::to_string(static_cast<int>(keyFrameSeconds * framesPerSecond));
    std::vector<std::string> arguments = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    arguments.insert(arguments.end(), {"-f", "lavfi", "-i", picture, "-f", "lavfi", "-i", tone});
    arguments.insert(arguments.end(),
                     {"-vf", mirror, "-pix_fmt", "yuv420p", "-g", keyFrameInterval, "-ac", "2"});
    arguments.insert(arguments.end(), codecs.begin(), codecs.end());
    // Made under a name of its own and renamed, so that a benchmark never plays a half-made clip.
    const std::string partial = path + ".part-" + std::to_string(::getpid());
    arguments.insert(arguments.end(), {"-f", format, partial});
    if (RunCommand(arguments) != 0) {
        std::filesystem::remove(partial);
        throw std::runtime_error("ffmpeg could not make the " + description + " clip");
    }
    std::filesystem::rename(partial, path);
    return path;
}

const std::vector<BenchClip>& BenchClips() {
    static const std::vector<BenchClip> clips = {
        {".mpg",
         720,
         480,
         30,
         0.5,
         "vob",
         {"-c:v", "mpeg2video", "-b:v", "6M", "-c:a", "mp2"},
         "MPEG-2 720x480 + MP2"},
        {".mp4",
         1920,
         1080,
         25,
         2.0,
         "mp4",
         {"-c:v", "libx264", "-preset", "veryfast", "-b:v", "6M", "-c:a", "aac"},
         "H.264 1920x1080 + AAC"},
        {".mkv",
         1920,
         1080,
         25,
         2.0,
         "matroska",
         {"-c:v", "libx264", "-preset", "veryfast", "-b:v", "6M", "-c:a", "aac"},
         "H.264 1920x1080 + AAC"},
        {".wmv",
         352,
         288,
         25,
         1.0,
         "asf",
         {"-c:v", "wmv2", "-b:v", "1M", "-c:a", "wmav2"},
         "WMV2 352x288 + WMA2"},
        {".avi",
         640,
         480,
         25,
         1.0,
         "avi",
         {"-c:v", "mpeg4", "-b:v", "2M", "-c:a", "libmp3lame"},
         "MPEG-4 640x480 + MP3"},
    };
    return clips;
}

const BenchClip& BenchClipOf(const std::string& extension) {
    for (const BenchClip& clip : BenchClips()) {
        if (clip.extension == extension) {
            return clip;
        }
    }
    throw std::logic_error("no " + extension + " clip among the benchmark clips");
}
