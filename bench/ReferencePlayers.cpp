#include "bench/ReferencePlayers.h"

#include <unistd.h>

Command GstPlay(const std::string& file) {
    return {{"gst-play-1.0", "-q", "--videosink=ximagesink", file}, {}};
}

Command Mpv(const std::string& file, double startSeconds) {
    return {{"mpv", "--no-config", "--really-quiet", "--vo=x11", "--ao=pulse",
             "--start=" + std::to_string(startSeconds), file},
            {}};
}

Command MpvIdleWindow() {
    return {{"mpv", "--no-config", "--really-quiet", "--vo=x11", "--force-window", "--idle"}, {}};
}

Command Vlc(const std::string& file, double startSeconds) {
    Command command{{"cvlc", "--quiet", "--vout=xcb_x11", "--aout=pulse", "--no-video-title-show",
                     "--start-time=" + std::to_string(startSeconds), file},
                    {}};
    // VLC refuses to start for root, as the benchmarks run in containers and CI; it is told it is not.
    if (::geteuid() == 0) {
        command.environment.push_back(std::string("LD_PRELOAD=") + TARNWICK_BENCH_NOT_ROOT);
    }
    return command;
}
