// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// What a generated clip holds. Codecs left empty take the usual ones for the container, the ones
// the player's built-in filter is about: .avi MPEG-4 + MP3, .wmv WMV2 + WMA2, .mpg/.m2p/.vob MPEG-2
// program stream, .m1v/.m2v/.mpv video elementary streams, .mp4/.mkv H.264 + AAC, .ogg/.oga audio.
struct ClipSpec {
    std::string extension = ".mp4";
    int width = 320;
    int height = 240;
    double seconds = 2.0;
    int framesPerSecond = 25;
    bool video = true;
    bool audio = true;
    std::string videoCodec;
    std::string audioCodec;
    // The lavfi source of the picture, with its options ("color=c=red" for one colour to find on the
    // screen).
    std::string picture = "testsrc2";
    // Filters drawn over the picture ("drawbox=..."), to give it places to find on the screen.
    std::string drawn;
    // Further options for the video encoder, after the usual ones ("-bf", "2").
    std::vector<std::string> videoOptions;
    // Interlaced, top field first, coded as fields (MPEG-2): framesPerSecond is then the field rate,
    // and each frame weaves two pictures made a field apart.
    bool interlaced = false;
    // The display aspect ratio the stream is flagged with ("16:9"); empty for square pixels.
    std::string aspect;
};

// A black picture with a white bar 60 px wide that moves 10 px to the right from one picture to the
// next: interlaced, its two fields then show the bar 10 px apart, and a frame shown without
// deinterlacing has its edge alternate between two places from row to row.
ClipSpec MovingBarClip(bool interlaced);

// 720×480 MPEG-2 flagged 16:9, black with a white box 135×160 stored pixels, which a 16:9 screen shows
// square (a stored pixel is 1.185 times as wide as it is high there).
ClipSpec WideBoxClip();

// Makes a short clip with ffmpeg (a test pattern, or the picture asked for, and a tone; a key frame every
// second) and returns its path. Clips are cached under $TARNWICK_MEDIA_CACHE (else
// /tmp/tarnwick-media-cache), keyed by everything in the recipe, so each is made once per machine. Throws
// when ffmpeg fails.
std::string GenerateClip(const ClipSpec& recipe);

// Copies a clip to the given path (so a test can name it as it likes) and returns that path.
std::string CopyClipTo(const ClipSpec& recipe, const std::string& path);

// Where generated clips are kept: $TARNWICK_MEDIA_CACHE, else /tmp/tarnwick-media-cache.
std::string MediaCacheFolder();

// Runs a program (looked up on PATH) with the arguments and waits for it: its exit status, or -1
// when it did not exit normally (127: it could not be started).
int RunCommand(const std::vector<std::string>& arguments);
