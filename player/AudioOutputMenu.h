// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/SoundOutputs.h"

#include <map>
#include <string>
#include <vector>

// One entry of the context menu of the check box 音声出力: what it shows, the output it chooses
// (empty for the server's default) and whether it is the one chosen now.
struct AudioOutputEntry {
    std::string Text;
    std::string Name;
    bool Chosen = false;
    bool operator==(const AudioOutputEntry&) const = default;
};

// The entries: the server's default first, then each output the server lists, by its description.
// A chosen output the server does not list now is still shown, marked as not connected, under the
// description it last had (`seen`), or its name when it was never seen.
std::vector<AudioOutputEntry> AudioOutputEntries(const std::vector<SoundOutput>& listed,
                                                 const std::string& chosen,
                                                 const std::map<std::string, std::string>& seen);
