// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <string>

class ProfileFile;

// The section "Play" of the settings file: everything the player remembers between runs besides the
// window's placement. Each key is declared once, with its type and default, in PlaySettings.cpp.
struct PlaySettings {
    std::string Dir;
    std::string File;
    bool EnableVideo = false;
    bool EnableAudio = false;
    std::string Filter;
    bool Resume = true;
    bool Playing = false;
    std::string Position = "0";
};

// The filter offered when the settings file holds none.
extern const char* const BuiltInFilter;

// What a start with no settings file sees.
PlaySettings DefaultPlaySettings();

// Reads the section key by key, in the order the player applies them.
PlaySettings ReadPlaySettings(const ProfileFile& settings);

// Writes the section key by key. A refused write throws EIniFileException; the keys after it are not
// written.
void WritePlaySettings(const ProfileFile& settings, const PlaySettings& values);

// The stored position as media time: leading blanks, one sign, decimal digits, or hexadecimal digits
// after "$" or "0x". Any other text, the empty text included, throws EConvertError.
std::int64_t ParsePosition(const std::string& text);
