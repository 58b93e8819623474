#pragma once

#include <string>
#include <vector>

// What the program was asked for on its command line: "tarnwick [PATH]", PATH a file or a folder,
// or a file: URI as a file manager passes it. Toolkit options are gone by the time this runs.
struct CommandLine {
    std::string Path;  // absolute, as bytes; empty when none was given
    bool Help = false; // --help: print the usage and end
    std::string Error; // a usage fault: print it with the usage and end with a failure
};

// workingDir is the folder the program started in; the browser moves the process's current folder
// later, so a relative path must be made whole before the window exists.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& workingDir);

std::string UsageText();
