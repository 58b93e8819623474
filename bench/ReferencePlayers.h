// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// The command lines of the players we compare with, all drawing through plain X11 (as the test X
// server offers no GPU) and playing sound to the sound server. A start of 0 s starts the file as a
// user opening it would, without a start option.

struct Command {
    std::vector<std::string> arguments;
    std::vector<std::string> environment; // "NAME=value" entries added for this program
};

Command GstPlay(const std::string& file);
Command Mpv(const std::string& file, double startSeconds);
// mpv in a window of 360 x 240, about the size of the player's video panel.
Command MpvInSmallWindow(const std::string& file);
// VLC's console player, which ends at the end of the file.
Command Vlc(const std::string& file, double startSeconds);
