// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// One output of the sound server: its name, which the server and the settings file know it by, and
// the description the user knows it by.
struct SoundOutput {
    std::string Name;
    std::string Description;
    bool operator==(const SoundOutput&) const = default;
};

// A graph whose device renderer can send its sound to an output of the user's choice. The choice
// holds for every device renderer the graph has or gets, and moves the sound of one that plays
// without building anything again. A graph without it leaves the sound on the server's default.
class IDeviceSoundOutput {
public:
    virtual ~IDeviceSoundOutput() = default;
    // The output's name; empty for the server's default.
    virtual void SetDeviceSoundOutput(const std::string& name) = 0;
};
