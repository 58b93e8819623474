// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <string>

// A media time (100 ns units) as hours:minutes:seconds.tenths, truncated, never rounded; hours are
// not wrapped, so 100 hours show three digits.
std::string PositionText(std::int64_t position);
