// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The settings file's full path. A copy of the program in a folder of the user's own (a portable copy)
// keeps them beside itself: the executable's path with its extension replaced by ".ini". An installed
// program (under /usr or /opt, or in a folder the user cannot write) keeps each user's settings in
// tarnwick.ini in that user's configuration folder: settings that can never be saved would all be
// lost, and a file that the administrator once left beside /usr/bin/tarnwick would be every user's.
// Such a file is never read or written, even when it exists.
std::string SettingsFileName();

// The same rule on given facts, so that it can be tried on any path.
std::string SettingsFileNameFor(const std::string& executablePath, const std::string& userConfigFolder,
                                bool (*isWritableFolder)(const std::string&));

// Whether a folder is one where a system's package manager puts programs (/usr, /usr/local, /opt
// and below).
bool IsSystemProgramFolder(const std::string& folder);

// The executable's path with the extension of its file name replaced by ".ini" (".ini" added when
// the file name has no dot; a dot in a folder name does not count).
std::string ReplaceExtensionWithIni(const std::string& path);
