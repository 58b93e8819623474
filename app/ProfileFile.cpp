#include "app/ProfileFile.h"

#include "app/AtomicFile.h"
#include "app/Errors.h"
#include "app/IniText.h"

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
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
        rest.remove_prefix(1);
    }
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    bool hex = false;
    if (!rest.empty() && rest.front() == '$') {
        hex = true;
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    // Hexadecimal covers the whole 32-bit pattern ($FFFFFFFF is -1); decimal must fit the signed range.
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t magnitude = 0;
    for (char c : rest) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) {
        bits = 0u - bits;
    }
    return static_cast<int>(bits);
}
