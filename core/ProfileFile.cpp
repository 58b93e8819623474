// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ProfileFile.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/IniText.h"
#include "core/NumberText.h"

#include <cstdint>
#include <system_error>

ProfileFile::ProfileFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::optional<std::string> content;
    try {
        content = ReadWholeFile(fileName_);
    } catch (const std::system_error&) {
        // An unreadable file reads like a missing one: every key takes its default.
    }
    std::optional<std::string> value;
    if (content) {
        value = FindIniValue(*content, section, key);
    }
    return CutUtf8(value ? *value : defaultValue, MaxValueLength);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    return ParseProfileInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    std::optional<int> value = ParseProfileInteger(ReadString(section, key, ""));
    return value ? *value != 0 : defaultValue;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
    try {
        std::string content = ReadWholeFile(fileName_).value_or(std::string());
        WriteFileAtomically(fileName_, SetIniValue(content, section, key, value));
    } catch (const std::system_error&) {
        throw EIniFileException(fileName_ + " に書き込めません");
    }
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) const {
    WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) const {
    WriteString(section, key, value ? "1" : "0");
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    std::string normalized(text);
    if (normalized.size() > 2 && normalized[0] == '0' && (normalized[1] == 'x' || normalized[1] == 'X')) {
        normalized.replace(0, 2, "$");
    }
    std::string_view rest = normalized;
    const bool negative = TakeBlanksAndSign(rest);
    const bool hex = !rest.empty() && rest.front() == '$';
    if (hex) {
        rest.remove_prefix(1);
    }
    // Hexadecimal covers the whole 32-bit pattern ($FFFFFFFF is -1); decimal must fit the signed range.
    const std::optional<std::uint64_t> magnitude =
        DigitsValue(rest, hex, hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu));
    if (!magnitude) {
        return std::nullopt;
    }
    auto bits = static_cast<std::uint32_t>(*magnitude);
    if (negative) {
        bits = 0u - bits;
    }
    return static_cast<int>(bits);
}
