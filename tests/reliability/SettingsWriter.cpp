// settings_writer FILE RUN: saves the section "Play" over and over into FILE until it is killed.
// Every value it writes carries the run's tag "R<RUN>-", so that a reader can tell a value of this
// run from an older one. It writes one byte to its standard output just before the first save, so
// that the test can time its kill from the moment the saving begins.

#include "core/Errors.h"
#include "core/ProfileFile.h"
#include "player/PlaySettings.h"

#include <cstdio>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings_writer FILE RUN\n");
        return 2;
    }
    const ProfileFile settings(argv[1]);
    const std::string tag = std::string("R") + argv[2] + "-";
    if (::write(STDOUT_FILENO, "w", 1) != 1) {
        return 3;
    }
    try {
        for (long round = 0;; ++round) {
            const std::string mark = tag + std::to_string(round);
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
