// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// Plugins of the program's own, above all the output device's renderer. The program hands the folder
// to StartGStreamer; a plugin that is not there simply leaves its element factory unknown, and the
// program falls back.

// "<folder of the running executable>/plugins"; empty when the executable cannot be located.
std::string PluginFolderBesideExecutable();

// Loads every plugin file (*.so) in the folder into this process's GStreamer registry and returns
// how many loaded; why a file was refused is appended to `problems` when given. A missing folder
// loads nothing and is no problem. Loading happens in this process, never in GStreamer's external
// plugin scanner: a plugin built with the sanitizers cannot be opened by that unsanitized program.
int LoadPluginsFrom(const std::string& folder, std::vector<std::string>* problems = nullptr);
