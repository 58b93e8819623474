// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// What the program was asked for on its command line: "tarnwick [PATH]", PATH a file or a folder,
// or a file: URI as a file manager passes it. It is read before the window system is touched, so
// --help and --version answer where there is no display; the toolkit's own options are stepped over
// here and left in place for the toolkit.
struct CommandLine {
    std::string Path;         // absolute, as bytes; empty when none was given
    bool Help = false;        // --help: print the usage and end
    bool Version = false;     // --version: print the name and version and end
    std::string Error;        // a usage fault: print it with the usage and end with a failure
    std::string NotLocalUri;  // a URI that names no local file, as given; the start goes on without it
    std::string StartupMarks; // --startup-marks FILE: where to write the start-up's timeline
};

// workingDir is the folder the program started in; the browser moves the process's current folder
// later, so a relative path must be made whole before the window exists.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& workingDir);

std::string UsageText();
std::string VersionText();

// The error box's text for a URI that names no local file.
std::string NotLocalUriMessage(const std::string& uri);
