// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

// Reads a whole file. Nothing when it does not exist; throws std::system_error on other failures.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's content as one step: the new content goes to a temporary file in the same
// folder, reaches the disk, and is renamed over the old file, so a crash, a kill or a full disk
// leaves either the old content or the new, never a mix. A symbolic link is followed, the old file's
// permissions are kept, and a file without any write permission is refused, as a read-only file
// should be even for the administrator. Throws std::system_error on failure, leaving the old file
// exactly as it was.
void WriteFileAtomically(const std::string& path, const std::string& content);
