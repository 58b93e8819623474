// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The process's own directory and plain look-ups, for tests that set the scene: the player itself
// never moves the process and makes its look-ups on the file-system worker.

// Changes the process's directory; EInOutError when the system refuses.
void ChangeDirectory(const std::string& path);
bool DirectoryExists(const std::string& path);
// An entry of that name exists and is not a directory (links are followed).
bool FileExists(const std::string& path);
