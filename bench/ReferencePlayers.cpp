// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/ReferencePlayers.h"

#include <unistd.h>

namespace {

std::vector<std::string> MpvArguments() {
    return {"mpv", "--no-config", "--really-quiet", "--vo=x11", "--ao=pulse"};
}

} // namespace

Command GstPlay(const std::string& file) {
    return {{"gst-play-1.0", "-q", "--videosink=ximagesink", file}, {}};
}

Command Mpv(const std::string& file, double startSeconds) {
    Command command{MpvArguments(), {}};
    if (startSeconds > 0) {
        command.arguments.push_back("--start=" + std::to_string(startSeconds));
    }
    command.arguments.push_back(file);
    return command;
}

Command MpvInSmallWindow(const std::string& file) {
    Command command{MpvArguments(), {}};
    command.arguments.insert(command.arguments.end(), {"--geometry=360x240", file});
    return command;
}

Command Vlc(const std::string& file, double startSeconds) {
    Command command{
        {"cvlc", "--quiet", "--vout=xcb_x11", "--aout=pulse", "--no-video-title-show", "--play-and-exit"},
        {}};
    if (startSeconds > 0) {
        command.arguments.push_back("--start-time=" + std::to_string(startSeconds));
    }
    command.arguments.push_back(file);
    // VLC refuses to start for root, as the benchmarks run in containers and CI; it is told it is not.
    if (::geteuid() == 0) {
        command.environment.push_back(std::string("LD_PRELOAD=") + TARNWICK_BENCH_NOT_ROOT);
    }
    return command;
}
