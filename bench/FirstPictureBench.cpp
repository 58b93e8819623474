// SPDX-License-Identifier: GPL-2.0-or-later
// From exec to the first picture of a file, for each of the benchmark clips:
// - first_picture_<ext>: the file from its start, resumed through the settings file or given on the
//   command line, against cvlc, gst-play-1.0 and mpv opening the same file;
// - resumed_at_5s_<ext>: the file resumed at the picture 5 s into the clip (the player's position of
//   that picture, later in an MPEG program stream, whose clock starts before its first picture),
//   against cvlc and mpv told to start at 5 s. A first
//   picture of the player's from before the stored position is the row's error, not a figure; one of
//   a reference player's from before its start is counted and noted under the table.

#include "bench/BenchClips.h"
#include "bench/MirrorMark.h"
#include "bench/WholeProgramRuns.h"

#include <cstdint>
#include <stdexcept>

namespace {

constexpr double ResumeSeconds = 5.0;
constexpr std::int64_t MediaTimeUnitsPerSecond = 10'000'000;

std::string SnapshotName(const std::string& program, const BenchClip& clip, double startSeconds) {
    return "first-picture-" + program + "-" + clip.name + "-from-" +
           std::to_string(static_cast<int>(startSeconds)) + "s";
}

// The figure of a first picture, with the phases that led to it and the picture itself as the last.
Figure FirstPictureFigure(const Sighting& sighting, bool pictureBeforeStart = false) {
    StartupTimeline timeline = sighting.timeline;
    timeline["screen: first picture"] = sighting.seconds;
    return {sighting.seconds, pictureBeforeStart, std::move(timeline)};
}

// A copy of the player whose settings say the clip was playing at the position when it closed.
struct ResumingPlayer {
    ProgramCopy copy;
    std::string clip;

    // seconds: the clip's time as made; the settings hold the player's position of that picture.
    ResumingPlayer(const BenchClip& source, double seconds)
        : clip(copy.AddClip(source.Path(), "clip" + source.extension)) {
        const double position = seconds > 0 ? seconds + source.FirstPictureSeconds() : 0;
        copy.WriteSettings(clip, true, static_cast<std::int64_t>(position * MediaTimeUnitsPerSecond));
    }
};

Figure Resumed(const BenchClip& clip, double seconds) {
    const ResumingPlayer player(clip, seconds);
    const Sighting sighting =
        WatchPlayer(player.copy, {}, Moment::FirstPicture, SnapshotName("tarnwick", clip, seconds));
    if (seconds > 0) {
        switch (MirroringOf(sighting.picture)) {
        case Mirroring::Plain:
            throw std::runtime_error("the first picture is from before the stored position");
        case Mirroring::Unreadable:
            throw std::runtime_error("the first picture does not tell whether it is from before the stored "
                                     "position");
        case Mirroring::Mirrored:
            break;
        }
    }
    return FirstPictureFigure(sighting);
}

Figure FromCommandLine(const BenchClip& clip) {
    // The settings still say the file was playing; the command line's file plays from its start.
    const ResumingPlayer player(clip, 0);
    return FirstPictureFigure(WatchPlayer(player.copy, {player.clip}, Moment::FirstPicture,
                                          SnapshotName("tarnwick-path", clip, 0)));
}

// A reference player that shows a picture from before the start it was given is noted, not failed: its
// figure is still the yardstick the aims name.
Figure Reference(const Command& command, const BenchClip& clip, double seconds) {
    const Sighting sighting = WatchReferencePlayer(command, Moment::FirstPicture,
                                                   SnapshotName(command.arguments[0], clip, seconds));
    return FirstPictureFigure(sighting, seconds > 0 && MirroringOf(sighting.picture) == Mirroring::Plain);
}

void RegisterClip(const BenchClip& clip) {
    const std::string ext = clip.name;
    const std::string about = " (" + clip.description + ", 10 s)";
    const std::string group = "first_picture_" + ext;
    Register({group + "/reference", "cvlc --play-and-exit --vout=xcb_x11: exec to its first picture" + about,
              0, 0, Row::Unit::Seconds, [&clip] { return Reference(Vlc(clip.Path(), 0), clip, 0); }});
    Register(
        {group + "/tarnwick_resumed_at_0",
         "tarnwick, settings: this file playing at 0 (Resume=1, Playing=1, Filter *.*): exec to the first "
         "picture in its video panel",
         0.8, 0, Row::Unit::Seconds, [&clip] { return Resumed(clip, 0); }});
    Register({group + "/tarnwick_command_line",
              "tarnwick PATH (same settings): exec to the first picture in its video panel", 0.8, 0,
              Row::Unit::Seconds, [&clip] { return FromCommandLine(clip); }});
    Register({group + "/gst_play", "gst-play-1.0 --videosink=ximagesink: exec to its first picture", 0, 0,
              Row::Unit::Seconds, [&clip] { return Reference(GstPlay(clip.Path()), clip, 0); }});
    Register({group + "/mpv", "mpv --vo=x11: exec to its first picture", 0, 0, Row::Unit::Seconds,
              [&clip] { return Reference(Mpv(clip.Path(), 0), clip, 0); }});

    const std::string resumed = "resumed_at_5s_" + ext;
    Register({resumed + "/reference",
              "cvlc --start-time=5 --play-and-exit: exec to its first picture" + about, 0, 0,
              Row::Unit::Seconds,
              [&clip] { return Reference(Vlc(clip.Path(), ResumeSeconds), clip, ResumeSeconds); }});
    Register({resumed + "/tarnwick",
              "tarnwick, settings: this file playing at 5 s: exec to the first picture in its video panel, "
              "which must not show the clip before 5 s",
              0.8, 0, Row::Unit::Seconds, [&clip] { return Resumed(clip, ResumeSeconds); }});
    Register({resumed + "/mpv", "mpv --start=5 --vo=x11: exec to its first picture", 0, 0, Row::Unit::Seconds,
              [&clip] { return Reference(Mpv(clip.Path(), ResumeSeconds), clip, ResumeSeconds); }});
}

[[maybe_unused]] const bool registered = [] {
    for (const BenchClip& clip : BenchClips()) {
        RegisterClip(clip);
    }
    return true;
}();

} // namespace
