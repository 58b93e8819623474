// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The process-wide current directory, which the browser works through as its controls always
// have: it changes into a folder before listing it and leaves the process there.

// The full path of the current directory; EInOutError when it cannot be read (it was removed).
std::string CurrentDirectory();
// Changes the current directory; EInOutError when the system refuses. The new directory is
// remembered as its drive's last one.
void ChangeDirectory(const std::string& path);
// Makes a directory current again without raising; false when it failed.
bool TryChangeDirectory(const std::string& path) noexcept;

bool DirectoryExists(const std::string& path);
// An entry of that name exists and is not a directory (links are followed).
bool FileExists(const std::string& path);
