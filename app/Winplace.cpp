// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/Winplace.h"

#include "core/ProfileFile.h"
#include "core/SettingsFileName.h"
#include "app/WindowPlacement.h"

#include <QWidget>

namespace {

// The stored fields in the order they are read and written.
struct PlacementKey {
    const char* name;
    std::int32_t WindowPlacement::*signedField;
    std::uint32_t WindowPlacement::*unsignedField;
};

constexpr PlacementKey kKeys[] = {
    {"PlaceFlags", nullptr, &WindowPlacement::flags},
    {"PlaceShowCmd", nullptr, &WindowPlacement::showCmd},
    {"PlaceMinPos.X", &WindowPlacement::minPositionX, nullptr},
    {"PlaceMinPos.Y", &WindowPlacement::minPositionY, nullptr},
    {"PlaceMaxPos.X", &WindowPlacement::maxPositionX, nullptr},
    {"PlaceMaxPos.Y", &WindowPlacement::maxPositionY, nullptr},
    {"PlaceNormalPos.Left", &WindowPlacement::normalLeft, nullptr},
    {"PlaceNormalPos.Top", &WindowPlacement::normalTop, nullptr},
    {"PlaceNormalPos.Right", &WindowPlacement::normalRight, nullptr},
    {"PlaceNormalPos.Bottom", &WindowPlacement::normalBottom, nullptr},
};

// The unsigned fields are kept as signed 32-bit integers, as the other build writes them.
std::int32_t Get(const WindowPlacement& placement, const PlacementKey& key) {
    return key.signedField ? placement.*key.signedField
                           : static_cast<std::int32_t>(placement.*key.unsignedField);
}

void Set(WindowPlacement& placement, const PlacementKey& key, std::int32_t value) {
    if (key.signedField) {
        placement.*key.signedField = value;
    } else {
        placement.*key.unsignedField = static_cast<std::uint32_t>(value);
    }
}

} // namespace

std::string PlacementSection(const QWidget& window) {
    return window.metaObject()->className();
}

void RestoreWindowPlacement(const ProfileFile& settings, QWidget& window, const std::string& section,
                            bool restoreShowCommand) {
    WindowPlacement placement = GetWindowPlacement(window);
    placement.length = sizeof(WindowPlacement);
    for (const PlacementKey& key : kKeys) {
        if (key.unsignedField == &WindowPlacement::showCmd && !restoreShowCommand) {
            placement.showCmd = 0;
            continue;
        }
        Set(placement, key, settings.ReadInteger(section, key.name, Get(placement, key)));
    }
    SetWindowPlacement(window, placement);
}

void SaveWindowPlacement(const ProfileFile& settings, QWidget& window, const std::string& section) {
    WindowPlacement placement = GetWindowPlacement(window);
    placement.length = sizeof(WindowPlacement);
    for (const PlacementKey& key : kKeys) {
        settings.WriteInteger(section, key.name, Get(placement, key));
    }
}

void RestoreWindowPlacement(QWidget& window, const std::string& section, bool restoreShowCommand) {
    RestoreWindowPlacement(ProfileFile(SettingsFileName()), window, section, restoreShowCommand);
}

void SaveWindowPlacement(QWidget& window, const std::string& section) {
    SaveWindowPlacement(ProfileFile(SettingsFileName()), window, section);
}

void RestoreFormPlacement(QWidget& window) {
    RestoreWindowPlacement(window, PlacementSection(window), true);
}

void SaveFormPlacement(QWidget& window) {
    SaveWindowPlacement(window, PlacementSection(window));
}
