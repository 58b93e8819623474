// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The session's player on the session bus: its well-known name, and the private call by which another
// start hands it a file. Kept free of the toolkit, for the connection that claims the name before the
// application exists.
namespace PlayerBus {
inline constexpr const char* Name = "org.mpris.MediaPlayer2.tarnwick";
inline constexpr const char* HandOverPath = "/org/tarnwick/HandOver";
inline constexpr const char* HandOverInterface = "org.tarnwick.HandOver";
} // namespace PlayerBus
