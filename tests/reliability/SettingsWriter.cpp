// SPDX-License-Identifier: GPL-2.0-or-later
// settings_writer FILE RUN [ROUNDS [locked]]: saves the section "Play" over and over into FILE until it
// is killed, or ROUNDS times; with "locked", each save holds the settings file's write lock as a
// player's shutdown does.
// Every value it writes carries the run's tag "R<RUN>-", so that a reader can tell a value of this
// run from an older one. It writes one byte to its standard output just before the first save, so
// that the test can time its kill from the moment the saving begins.

#include "core/Errors.h"
#include "core/ProfileFile.h"
#include "core/SettingsLock.h"
#include "player/PlaySettings.h"

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: settings_writer FILE RUN [ROUNDS [locked]]\n");
        return 2;
    }
    const ProfileFile settings(argv[1]);
    const std::string tag = std::string("R") + argv[2] + "-";
    if (::write(STDOUT_FILENO, "w", 1) != 1) {
        return 3;
    }
    try {
        const long rounds = argc >= 4 ? std::stol(argv[3]) : -1;
        const bool locked = argc == 5 && std::string(argv[4]) == "locked";
        for (long round = 0; rounds < 0 || round < rounds; ++round) {
            const std::string mark = tag + std::to_string(round);
            std::optional<SettingsWriteLock> lock;
            if (locked) {
                lock.emplace(argv[1]);
            }
            PlaySettings values;
            values.Dir = "/videos/" + mark;
            values.File = "/videos/" + mark + "/clip.avi";
            values.EnableVideo = round % 2 == 0;
            values.EnableAudio = round % 3 == 0;
            values.Filter = "Videos " + mark + "|*.avi;*.mpg|All|*.*";
            values.Resume = round % 5 != 0;
            values.Playing = round % 7 == 0;
            values.Position = mark;
            WritePlaySettings(settings, values);
        }
    } catch (const EIniFileException& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
