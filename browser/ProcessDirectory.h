// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The process's directory, where the browser starts. The browser keeps its own directory as a path
// from then on and never changes the process's: changing into a folder on a share waits on it.

// The full path of the current directory; EInOutError when it cannot be read (it was removed).
std::string CurrentDirectory();
