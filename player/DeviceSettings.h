// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

class ProfileFile;

// The section "Device" of the settings file: where the output device's picture and sound go. Only
// what the user chose is stored; what the program works out for itself (the server's default
// output) stays empty, so that a choice is never replaced by what happened to be there at the time.
// Each key is declared once, with its type and default, in DeviceSettings.cpp.
struct DeviceSettings {
    // The sound server's name for the device's sound output; empty for the server's default.
    std::string AudioOutput;
    // The monitor the device's picture goes on, "NAME W×H+X+Y" (see DeviceScreen.h); empty for
    // automatic.
    std::string Monitor;
    // Whether the picture covers the chosen monitor.
    bool FullScreen = false;
};

// Reads the section key by key.
DeviceSettings ReadDeviceSettings(const ProfileFile& settings);

// Writes the section key by key. A refused write throws EIniFileException; the keys after it are not
// written.
void WriteDeviceSettings(const ProfileFile& settings, const DeviceSettings& values);
