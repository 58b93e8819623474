// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// The libraries an ELF shared object or program names as needed (its DT_NEEDED entries), in the
// order it names them. Empty for a file that cannot be read or is not a well-formed ELF object of
// this machine's word size; a damaged file is never read past its end.
std::vector<std::string> NeededLibraries(const std::string& path);

// Loads the libraries the shared object needs, and theirs, one at a time with the leaves of the tree
// first, and returns their names in the order loaded. The loader holds one lock while it loads a
// library and everything that library needs; loaded one at a time, no other thread waits on that lock
// for more than a single library, where loading a plugin's whole tree in one call holds it for tens of
// milliseconds. A library is looked for in the folders given; one not found there is loaded by name
// together with whatever it needs. The libraries stay loaded for the life of the process.
std::vector<std::string> LoadNeededLibrariesLeavesFirst(const std::string& path,
                                                        const std::vector<std::string>& folders);

// The folders of the libraries loaded in this process so far: where the loader found them, so where
// it will find the rest.
std::vector<std::string> LoadedLibraryFolders();
