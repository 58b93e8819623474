#pragma once

#include <string>

// The settings file's full path: the executable's path with its extension replaced by ".ini", when
// that file already exists or its folder can be written; otherwise tarnwick.ini in the user's
// configuration folder, since an installed program's folder is not writable and settings that can
// never be saved would all be lost.
std::string SettingsFileName();

// The same rule on given facts, so that it can be tried on any path.
std::string SettingsFileNameFor(const std::string& executablePath, const std::string& userConfigFolder,
                                bool (*isWritableFolder)(const std::string&),
                                bool (*exists)(const std::string&));

// The executable's path with the extension of its file name replaced by ".ini" (".ini" added when
// the file name has no dot; a dot in a folder name does not count).
std::string ReplaceExtensionWithIni(const std::string& path);
