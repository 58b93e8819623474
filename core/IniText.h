// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text of an INI file, edited in memory. Lines end in "\n" or "\r\n"; a byte-order mark at the
// start is skipped; lines starting with ";" or "#" are comments; a section header that never closes
// names the section by the rest of its line. Names match without regard to case, and the first
// section and the first key of a name win.

// The value of the key in the section, with the blanks around it removed, or nothing.
std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key);

// The content with the key's value replaced, or the key (and the section) added. Every other line
// stays as it was. Line breaks in the value would spill into new lines of the file, so the value is
// cut at its first line break.
std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value);

// Whether two section or key names are the same name, case ignored (Unicode case folding).
bool SameIniName(std::string_view a, std::string_view b);

// The text cut to at most maxBytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);
