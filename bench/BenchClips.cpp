// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/BenchClips.h"

#include "tests/support/MediaGenerator.h"

#include <filesystem>
#include <gst/gst.h>
#include <map>
#include <stdexcept>
#include <unistd.h>

std::string BenchClip::Path() const {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::filesystem::path cache = MediaCacheFolder();
    std::filesystem::create_directories(cache);
    // The name holds everything in the recipe, so that a changed recipe makes a new clip.
    const std::string path = (cache / ("bench-" + name + "-" + size + "-" + std::to_string(framesPerSecond) +
                                       "fps-" + std::to_string(static_cast<int>(keyFrameSeconds * 1000)) +
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

double BenchClip::FirstPictureSeconds() const {
    // Read once per clip, well before any timed run.
    static std::map<std::string, double> known;
    if (const auto found = known.find(name); found != known.end()) {
        return found->second;
    }
    gst_init(nullptr, nullptr);
    GstElement* player = gst_element_factory_make("playbin", nullptr);
    if (!player) {
        throw std::runtime_error("no playbin to read the " + description + " clip's first picture");
    }
    gchar* uri = gst_filename_to_uri(Path().c_str(), nullptr);
    g_object_set(player, "uri", uri, "video-sink", gst_element_factory_make("fakesink", nullptr),
                 "audio-sink", gst_element_factory_make("fakesink", nullptr), nullptr);
    g_free(uri);
    gst_element_set_state(player, GST_STATE_PAUSED);
    GstSample* sample = nullptr;
    if (gst_element_get_state(player, nullptr, nullptr, 10 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS) {
        g_object_get(player, "sample", &sample, nullptr);
    }
    guint64 time = GST_CLOCK_TIME_NONE;
    if (sample) {
        const GstBuffer* buffer = gst_sample_get_buffer(sample);
        const GstSegment* segment = gst_sample_get_segment(sample);
        if (buffer && segment && GST_BUFFER_PTS_IS_VALID(buffer)) {
            time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(player, GST_STATE_NULL);
    gst_object_unref(player);
    if (!GST_CLOCK_TIME_IS_VALID(time)) {
        throw std::runtime_error("the " + description + " clip's first picture could not be read");
    }
    return known[name] = static_cast<double>(time) / GST_SECOND;
}

const std::vector<BenchClip>& BenchClips() {
    static const std::vector<BenchClip> clips = {
        {"mpg",
         ".mpg",
         720,
         480,
         30,
         0.5,
         "vob",
         {"-c:v", "mpeg2video", "-b:v", "6M", "-c:a", "mp2"},
         "MPEG-2 720x480 + MP2"},
        {"mp4",
         ".mp4",
         1920,
         1080,
         25,
         2.0,
         "mp4",
         {"-c:v", "libx264", "-preset", "veryfast", "-b:v", "6M", "-c:a", "aac"},
         "H.264 1920x1080 + AAC"},
        {"mkv",
         ".mkv",
         1920,
         1080,
         25,
         2.0,
         "matroska",
         {"-c:v", "libx264", "-preset", "veryfast", "-b:v", "6M", "-c:a", "aac"},
         "H.264 1920x1080 + AAC"},
        {"wmv",
         ".wmv",
         352,
         288,
         25,
         1.0,
         "asf",
         {"-c:v", "wmv2", "-b:v", "1M", "-c:a", "wmav2"},
         "WMV2 352x288 + WMA2"},
        {"avi",
         ".avi",
         640,
         480,
         25,
         1.0,
         "avi",
         {"-c:v", "mpeg4", "-b:v", "2M", "-c:a", "libmp3lame"},
         "MPEG-4 640x480 + MP3"},
        {"mp4_recorder",
         ".mp4",
         1920,
         1080,
         30,
         2.0,
         "mp4",
         {"-c:v",     "libx264", "-preset",  "fast", "-profile:v",  "high", "-b:v",          "6M",
          "-maxrate", "8M",      "-bufsize", "12M",  "-keyint_min", "60",   "-sc_threshold", "0",
          "-c:a",     "aac",     "-b:a",     "128k"},
         "H.264 High 1920x1080 30 fps, a recorder's + AAC"},
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
