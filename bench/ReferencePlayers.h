#pragma once

#include <string>
#include <vector>

// The command lines of the players we compare with, all drawing through plain X11 (as the test X
// server offers no GPU) and playing sound to the sound server.

struct Command {
    std::vector<std::string> arguments;
    std::vector<std::string> environment; // "NAME=value" entries added for this program
};

Command GstPlay(const std::string& file);
Command Mpv(const std::string& file, double startSeconds);
Command MpvIdleWindow();
Command Vlc(const std::string& file, double startSeconds);
