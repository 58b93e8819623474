// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/PluginFolder.h"

#include "core/ExecutablePath.h"
#include "gstcommon/GstHandles.h"

#include <algorithm>
#include <filesystem>
#include <gst/gst.h>
#include <system_error>

std::string PluginFolderBesideExecutable() {
    const std::filesystem::path executable = ExecutablePath();
    if (executable.empty()) {
        return {};
    }
    return (executable.parent_path() / "plugins").string();
}

int LoadPluginsFrom(const std::string& folder, std::vector<std::string>* problems) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (!folder.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() == ".so" && entry.is_regular_file(error)) {
                files.push_back(entry.path());
            }
        }
    }
    // A fixed order, so that two runs load alike whatever order the folder lists.
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (const auto& file : files) {
        ErrorRef failure;
        const GstRef<GstPlugin> plugin = Adopt(gst_plugin_load_file(file.c_str(), OutParam(failure)));
        if (plugin) {
            ++loaded;
        } else if (problems) {
            problems->push_back(file.string() + ": " + (failure ? failure->message : "not loaded"));
        }
    }
    return loaded;
}
