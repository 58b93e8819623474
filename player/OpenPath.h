// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

struct PathFacts;

// Raises the error the user sees when a path named from outside cannot be opened: it does not
// exist, or it cannot be read (a folder: cannot be listed). The facts come from the file-system
// worker.
void RequireOpenablePath(const std::string& path, const PathFacts& facts);
