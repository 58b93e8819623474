// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/DeviceSettings.h"

#include "core/ProfileFile.h"

namespace {

constexpr const char* kSection = "Device";

} // namespace

DeviceSettings ReadDeviceSettings(const ProfileFile& settings) {
    const DeviceSettings defaults;
    DeviceSettings values;
    values.AudioOutput = settings.ReadString(kSection, "AudioOutput", defaults.AudioOutput);
    values.Monitor = settings.ReadString(kSection, "Monitor", defaults.Monitor);
    values.FullScreen = settings.ReadBool(kSection, "FullScreen", defaults.FullScreen);
    return values;
}

void WriteDeviceSettings(const ProfileFile& settings, const DeviceSettings& values) {
    settings.WriteString(kSection, "AudioOutput", values.AudioOutput);
    settings.WriteString(kSection, "Monitor", values.Monitor);
    settings.WriteBool(kSection, "FullScreen", values.FullScreen);
}
