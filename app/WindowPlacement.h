// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

class QWidget;

// A window's placement in the shape of the Windows placement record, so that settings files written
// by either build of the program read the same: the same ten stored fields and the same show codes.
struct WindowPlacement {
    std::uint32_t length = 44;
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 1;
    std::int32_t minPositionX = -1;
    std::int32_t minPositionY = -1;
    std::int32_t maxPositionX = -1;
    std::int32_t maxPositionY = -1;
    // The restored window's outer frame in desktop coordinates; right and bottom are exclusive.
    std::int32_t normalLeft = 0;
    std::int32_t normalTop = 0;
    std::int32_t normalRight = 0;
    std::int32_t normalBottom = 0;
};

namespace ShowCode {
constexpr std::uint32_t Hide = 0;
constexpr std::uint32_t Normal = 1;
constexpr std::uint32_t Minimized = 2;
constexpr std::uint32_t Maximized = 3;
} // namespace ShowCode

namespace PlacementFlag {
constexpr std::uint32_t SetMinPosition = 1;
constexpr std::uint32_t RestoreToMaximized = 2;
} // namespace PlacementFlag

// The window's current placement.
WindowPlacement GetWindowPlacement(const QWidget& window);

// Applies bounds, flags and show state together. The window keeps whatever the platform refuses.
void SetWindowPlacement(QWidget& window, const WindowPlacement& placement);
