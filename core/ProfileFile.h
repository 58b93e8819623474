// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Reads and writes one INI file key by key, the way the classic profile-file routines do: every
// read looks at the file on disk, every write reaches the disk before it returns. Section and key
// names match without regard to case; values are stored verbatim, with no quoting or escaping.
// Where a name occurs twice, the first occurrence wins, for reading and for writing.
class ProfileFile {
public:
    // Values longer than this are cut when read back.
    static constexpr std::size_t MaxValueLength = 2047;

    explicit ProfileFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // The key's text, or the default when the file, the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The key read as a 32-bit integer; a missing key or a text that is not an integer gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Any integer but 0 is true; a text that is not an integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Replaces the key's value, adding the file, the section or the key as needed and keeping every
    // other line as it was. The file is replaced atomically: a crash, a kill or a full disk leaves
    // either the old file or the new one. Throws EIniFileException when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
    void WriteInteger(std::string_view section, std::string_view key, int value) const;
    void WriteBool(std::string_view section, std::string_view key, bool value) const;

private:
    std::string fileName_;
};

// The integer rule of the settings file: leading blanks, one optional sign, then decimal digits, or
// hexadecimal digits after "$" (a text of more than two characters starting "0x" or "0X" counts as
// "$"). The value must fit in 32 bits; anything else, the empty text included, gives nothing.
std::optional<int> ParseProfileInteger(std::string_view text);
