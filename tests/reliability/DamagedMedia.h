// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Copies of a good clip damaged the ways media files arrive damaged. Each writes the copy at the given
// path and returns that path.

// The first percent of the clip's bytes, as a download or a copy cut short leaves it.
std::string WriteTruncatedCopy(const std::string& clip, const std::string& path, int percent);

// The clip with eight runs of 16 to 512 random bytes written over it at random places; the same seed
// always gives the same copy.
std::string WriteOverwrittenCopy(const std::string& clip, const std::string& path, unsigned seed);
