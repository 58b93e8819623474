// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// MPRIS counts time in signed 64-bit microseconds, the graph in 100-nanosecond units. A client may
// send any 64-bit value, so every sum and product here saturates instead of wrapping: a huge forward
// seek must never land at the start.

// The microseconds of a graph time, and the graph time of microseconds, saturated at the 64-bit ends.
std::int64_t MicrosecondsOf(std::int64_t mediaTime);
std::int64_t MediaTimeOf(std::int64_t microseconds);

// Where a Seek by offset microseconds from the current position goes in a file `length` long (graph
// units; 0 when unknown): a graph time, at least 0, or none when it passes the end, which the player
// takes as a step to the next file.
std::optional<std::int64_t> SeekTarget(std::int64_t current, std::int64_t length, std::int64_t offset);

// The graph time SetPosition asks for, or none when it lies before the start or past the end, which
// MPRIS asks to be let go.
std::optional<std::int64_t> SetPositionTarget(std::int64_t length, std::int64_t position);
