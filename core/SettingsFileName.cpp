// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/SettingsFileName.h"

#include <climits>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return "tarnwick";
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string UserConfigFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        return std::string(config) + "/tarnwick";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config/tarnwick";
}

bool IsWritableFolder(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

} // namespace

std::string ReplaceExtensionWithIni(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        return path + ".ini";
    }
    return path.substr(0, dot) + ".ini";
}

bool IsSystemProgramFolder(const std::string& folder) {
    for (const std::string_view root : {"/usr", "/opt"}) {
        if (folder.size() >= root.size() && folder.compare(0, root.size(), root) == 0 &&
            (folder.size() == root.size() || folder[root.size()] == '/')) {
            return true;
        }
    }
    return false;
}

std::string SettingsFileNameFor(const std::string& executablePath, const std::string& userConfigFolder,
                                bool (*isWritableFolder)(const std::string&)) {
    std::string beside = ReplaceExtensionWithIni(executablePath);
    std::size_t slash = beside.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : beside.substr(0, slash);
    if (!IsSystemProgramFolder(folder) && isWritableFolder(folder)) {
        return beside;
    }
    return userConfigFolder + "/tarnwick.ini";
}

std::string SettingsFileName() {
    return SettingsFileNameFor(ExecutablePath(), UserConfigFolder(), IsWritableFolder);
}
