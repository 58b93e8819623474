// SPDX-License-Identifier: GPL-2.0-or-later
// From exec to the player's main window mapped with its controls drawn, with and without a file to
// resume, against cvlc mapping the window it plays a file in.

#include "bench/BenchClips.h"
#include "bench/WholeProgramRuns.h"

namespace {

const BenchClip& Clip() {
    return BenchClipOf(".avi");
}

double PlayerWindow(bool resuming) {
    ProgramCopy copy;
    const std::string clip = copy.AddClip(Clip().Path(), "clip.avi");
    copy.WriteSettings(clip, resuming, 0);
    return WatchPlayer(copy, {}, Moment::WindowMapped,
                       resuming ? "window-mapped-tarnwick-resuming" : "window-mapped-tarnwick-idle")
        .seconds;
}

[[maybe_unused]] const bool registered = [] {
    Register({"window_mapped/reference",
              "cvlc --play-and-exit --vout=xcb_x11 (" + Clip().description + "): exec to its window mapped",
              0, 0, Row::Unit::Seconds, [] {
                  return WatchReferencePlayer(Vlc(Clip().Path(), 0), Moment::WindowMapped,
                                              "window-mapped-cvlc")
                      .seconds;
              }});
    Register({"window_mapped/tarnwick_resuming",
              "tarnwick, settings: the same clip playing at 0: exec to the main window mapped, video panel "
              "mapped and the controls painted",
              0.5, 0, Row::Unit::Seconds, [] { return PlayerWindow(true); }});
    Register(
        {"window_mapped/tarnwick_idle",
         "tarnwick, settings: the same clip selected, not playing: exec to the main window mapped, video "
         "panel mapped and the controls painted",
         0.5, 0, Row::Unit::Seconds, [] { return PlayerWindow(false); }});
    return true;
}();

} // namespace
