// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// The clips the whole-program benchmarks play: ten seconds of ffmpeg's testsrc2 picture (which draws
// its running time and frame number) with a tone, in the containers and codecs users bring. The
// picture is mirrored from BenchClipMirroredFrom on (see MirrorMark.h).
struct BenchClip {
    std::string name;      // in the rows' names: "mp4", "mp4_recorder"
    std::string extension; // with its dot: ".mp4"
    int width = 0;
    int height = 0;
    int framesPerSecond = 25;
    double keyFrameSeconds = 1.0;
    std::string format;              // ffmpeg's muxer
    std::vector<std::string> codecs; // ffmpeg's codec options
    std::string description;         // "MPEG-2 720x480 + MP2"

    // The clip's path in the test media cache, made with ffmpeg the first time it is asked for;
    // throws when ffmpeg fails.
    std::string Path() const;

    // Where a player on GStreamer places the clip's first picture, in seconds: a position in the
    // player's clock is this much later than the same picture's time in the clip as made. An MPEG
    // program stream's clock starts at its first pack, about half a second before its first picture;
    // the other containers start at their first picture. Throws when the clip does not preroll.
    double FirstPictureSeconds() const;
};

constexpr double BenchClipSeconds = 10.0;
// A frame or two before 5 s, where the benchmarks resume the clips: the frame a player shows for a
// position of 5 s may start a little before it.
constexpr double BenchClipMirroredFrom = 4.9;

// MPEG-2 in a program stream, H.264 + AAC at 1920x1080 in .mp4 and .mkv, WMV2 + WMA2, MPEG-4 + MP3,
// and H.264 as a recorder or an encoder writes it: High profile, 30 frames a second, a key frame every
// 2 s, B-frames as references (x264's preset "fast"), a capped rate.
const std::vector<BenchClip>& BenchClips();

// The first among them in the container given (".mp4"); throws when there is none.
const BenchClip& BenchClipOf(const std::string& extension);
