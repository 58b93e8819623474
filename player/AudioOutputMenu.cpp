// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/AudioOutputMenu.h"

#include <algorithm>

std::vector<AudioOutputEntry> AudioOutputEntries(const std::vector<SoundOutput>& listed,
                                                 const std::string& chosen,
                                                 const std::map<std::string, std::string>& seen) {
    std::vector<AudioOutputEntry> entries;
    entries.push_back({"既定の出力", "", chosen.empty()});
    for (const SoundOutput& output : listed) {
        entries.push_back({output.Description, output.Name, output.Name == chosen});
    }
    const bool chosenListed = std::any_of(
        listed.begin(), listed.end(), [&chosen](const SoundOutput& output) { return output.Name == chosen; });
    if (!chosen.empty() && !chosenListed) {
        const auto known = seen.find(chosen);
        const std::string& description = known == seen.end() ? chosen : known->second;
        entries.push_back({description + " (接続されていません)", chosen, true});
    }
    return entries;
}
