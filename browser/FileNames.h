// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <string>
#include <string_view>

// File names are byte strings as the file system hands them over: normally UTF-8, but a name may
// hold bytes that are not valid UTF-8. Every function here steps over whole UTF-8 sequences and
// takes a byte that starts no valid sequence as a character of its own, so no name is ever split
// inside a character and none makes them fail.

// The length in bytes of the character that begins at text[at] (1 for a byte that is not valid
// UTF-8 there).
std::size_t CharLengthAt(std::string_view text, std::size_t at);

// The name with letter case folded away, for comparing and sorting without regard to case. Valid
// characters are Unicode case-folded; bytes that are not valid UTF-8 stay as they are.
std::string FoldedName(std::string_view name);

// File-name comparison: case ignored (Unicode folding) unless the volume tells cases apart.
bool SameFileName(std::string_view a, std::string_view b, bool caseSensitive);

// Wildcard matching: "*" any run of characters, "?" exactly one character, letters compared
// without case. A pattern that ends in ".*" also matches a name without an extension, so "*.*"
// means every file as users expect; an empty pattern matches nothing.
bool MatchesWildcard(std::string_view name, std::string_view pattern);
// The same on a name and a pattern that have already been folded.
bool MatchesFoldedWildcard(std::string_view foldedName, std::string_view foldedPattern);
bool HasWildcards(std::string_view text);

// Upper- or lower-cased text (labels and network names), multibyte-aware.
std::string UpperText(std::string_view text);
std::string LowerText(std::string_view text);

// The text to show for a name; bytes that are not valid UTF-8 show as replacement characters.
QString DisplayText(std::string_view name);
