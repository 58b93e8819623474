#include "player/CommandLine.h"

#include "player/FileUri.h"

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& workingDir) {
    CommandLine result;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            result.Help = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            result.Error = "unknown option " + argument;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() > 1) {
        result.Error = "one file or folder at a time";
    }
    if (!result.Error.empty() || paths.empty()) {
        return result;
    }
    // Anything that is not a local file: URI is a path as it stands, so a name that merely looks
    // percent-encoded is opened as named.
    std::string path = LocalPathOfFileUri(paths.front()).value_or(paths.front());
    if (!path.empty() && path.front() != '/') {
        path = (workingDir.ends_with('/') ? workingDir : workingDir + "/") + path;
    }
    result.Path = path;
    return result;
}

std::string UsageText() {
    return "Usage: tarnwick [FILE | FOLDER | file:URI]\n"
           "Plays FILE from its start with its folder shown in the browser, or shows FOLDER.\n";
}
