// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The pieces the settings file's integer rule and the stored position's rule share.

// Leading blanks and tabs, then one "+" or "-", are taken off the text; says whether it was "-".
bool TakeBlanksAndSign(std::string_view& text);

// The value of decimal or hexadecimal digits (either case), or nothing for an empty text, any other
// character or a value above limit.
std::optional<std::uint64_t> DigitsValue(std::string_view digits, bool hex, std::uint64_t limit);
