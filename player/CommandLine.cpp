// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/CommandLine.h"

#include "player/FileUri.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The toolkit's options (Qt 6 with its X11 platform), with one or two leading dashes. Those that
// take a value take the next argument, so that value is never read as a path.
constexpr std::array<std::string_view, 17> kToolkitOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin",      "qwindowgeometry",
    "geometry", "qwindowtitle",       "title",         "qwindowicon", "icon",
    "session",  "qmljsdebugger",      "display",       "name",        "visual",
    "style",    "stylesheet"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "testability", "nograb", "dograb",
                                                           "widgetcount"};
constexpr std::array<std::string_view, 3> kToolkitOptionsWithEquals = {
    "qmljsdebugger=", "style=", "stylesheet="};

template <std::size_t N> bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// "scheme://...": RFC 3986's scheme is a letter followed by letters, digits, "+", "-" or ".". A name
// such as "a:b.avi" has no "//" and stays a file name.
bool LooksLikeUri(std::string_view argument) {
    const auto colon = argument.find("://");
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(argument.front())) {
        return false;
    }
    return std::all_of(argument.begin(), argument.begin() + static_cast<std::ptrdiff_t>(colon), [&](char c) {
        return letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& workingDir) {
    CommandLine result;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            paths.push_back(argument);
            continue;
        }
        std::string_view name(argument);
        name.remove_prefix(name.starts_with("--") ? 2 : 1);
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            result.Help = true;
        } else if (argument == "--version") {
            result.Version = true;
        } else if (argument == "--startup-marks" && at + 1 < arguments.size()) {
            result.StartupMarks = arguments[++at];
        } else if (IsOneOf(name, kToolkitOptionsWithValue) && at + 1 < arguments.size()) {
            ++at;
        } else if (IsOneOf(name, kToolkitFlags) ||
                   std::any_of(kToolkitOptionsWithEquals.begin(), kToolkitOptionsWithEquals.end(),
                               [name](std::string_view prefix) { return name.starts_with(prefix); })) {
            continue;
        } else {
            result.Error = "unknown option " + argument;
        }
    }
    if (paths.size() > 1) {
        result.Error = "one file or folder at a time";
    }
    if (!result.Error.empty() || result.Help || result.Version || paths.empty()) {
        return result;
    }
    const std::string& given = paths.front();
    std::optional<std::string> local = LocalPathOfFileUri(given);
    if (!local && LooksLikeUri(given)) {
        result.NotLocalUri = given;
        return result;
    }
    // Anything else is a path as it stands, so a name that merely looks percent-encoded is opened as
    // named.
    std::string path = local.value_or(given);
    if (!path.empty() && path.front() != '/') {
        path = (workingDir.ends_with('/') ? workingDir : workingDir + "/") + path;
    }
    result.Path = path;
    return result;
}

std::string UsageText() {
    return "Usage: tarnwick [OPTION...] [FILE | FOLDER | file:URI]\n"
           "Plays FILE from its start with its folder shown in the browser, or shows FOLDER.\n"
           "\n"
           "  -h, --help     print this text and end\n"
           "      --version  print the program's name and version and end\n"
           "      --startup-marks FILE\n"
           "                 write the moments of the start-up to FILE, one line each:\n"
           "                 nanoseconds on the monotonic clock, then the phase\n"
           "\n"
           "The toolkit's options (-platform, -display, -style, ...) are taken as well.\n";
}

std::string VersionText() {
    return "tarnwick " TARNWICK_VERSION "\n";
}

std::string NotLocalUriMessage(const std::string& uri) {
    return uri + " はローカルのファイルではありません";
}
