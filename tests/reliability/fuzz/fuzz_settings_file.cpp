// SPDX-License-Identifier: GPL-2.0-or-later
// The settings file reader and writer on arbitrary file contents, names and values: the text
// editing in memory, the integer rules, and the whole round trip through a real file.

#include "core/Errors.h"
#include "core/IniText.h"
#include "core/ProfileFile.h"
#include "player/PlaySettings.h"
#include "tests/reliability/fuzz/FuzzSupport.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A name that any INI file can hold: not empty, no blanks around it, no line break, and nothing
// that would make its line a comment, a section header or part of a value.
bool IsPlainName(std::string_view name) {
    return !name.empty() && Trim(name) == name && name.find_first_of("[]=;#\r\n") == std::string_view::npos;
}

// What a value written reads back as: its first line, without the blanks around it.
std::string ReadBackOf(std::string_view value) {
    return std::string(Trim(value.substr(0, value.find_first_of("\r\n"))));
}

// A value as the next reader sees it, once a line break has been added after a line that ended the
// file without one: a lone carriage return there then becomes part of the line break.
std::string WithoutTrailingReturn(std::string value) {
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) {
        value.pop_back();
    }
    return value;
}

// Whether the text is leading blanks, an optional sign and up to 14 decimal digits, nothing else.
bool IsShortDecimal(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    return !text.empty() && text.size() <= 14 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckIntegerRules(const std::string& text) {
    const std::optional<int> value = ParseProfileInteger(text);
    // Plain decimal text must agree with the C library wherever the value fits.
    if (IsShortDecimal(text)) {
        const long long expected = std::strtoll(text.c_str(), nullptr, 10);
        FUZZ_CHECK(value.has_value() == (expected >= INT_MIN && expected <= INT_MAX));
        FUZZ_CHECK(!value || *value == expected);
    }
    try {
        (void)ParsePosition(text);
    } catch (const EConvertError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string otherSection = input.ConsumeRandomLengthString(40);
    const std::string otherKey = input.ConsumeRandomLengthString(40);
    const std::string value = input.ConsumeRandomLengthString(3000);
    const bool throughFile = input.ConsumeBool();
    const std::string content = input.ConsumeRemainingBytesAsString();

    CheckIntegerRules(value);
    FUZZ_CHECK(SameIniName(section, section));
    FUZZ_CHECK(SameIniName(section, key) == SameIniName(key, section));
    const std::string cut = CutUtf8(value, 100);
    FUZZ_CHECK(cut.size() <= 100 && value.compare(0, cut.size(), cut) == 0);

    const std::optional<std::string> otherBefore = FindIniValue(content, otherSection, otherKey);
    const std::string edited = SetIniValue(content, section, key, value);
    if (IsPlainName(section) && IsPlainName(key)) {
        const std::optional<std::string> readBack = FindIniValue(edited, section, key);
        FUZZ_CHECK(readBack && *readBack == ReadBackOf(value));
    }
    // Writing one key leaves every other key as it was.
    const bool sameKey = SameIniName(section, otherSection) && SameIniName(key, otherKey);
    if (IsPlainName(section) && IsPlainName(key) && IsPlainName(otherSection) && IsPlainName(otherKey) &&
        !sameKey) {
        const std::optional<std::string> otherAfter = FindIniValue(edited, otherSection, otherKey);
        FUZZ_CHECK(otherAfter.has_value() == otherBefore.has_value());
        if (otherBefore) {
            FUZZ_CHECK(WithoutTrailingReturn(*otherAfter) == WithoutTrailingReturn(*otherBefore));
        }
    }

    if (throughFile) {
        const std::string path = ScratchFolder() + "/settings.ini";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        const ProfileFile settings(path);
        (void)settings.ReadInteger(section, key, 7);
        (void)settings.ReadBool(section, key, true);
        (void)ReadPlaySettings(settings);
        settings.WriteString(section, key, value);
        if (IsPlainName(section) && IsPlainName(key)) {
            FUZZ_CHECK(settings.ReadString(section, key, "") ==
                       CutUtf8(ReadBackOf(value), ProfileFile::MaxValueLength));
        }
    }
    return 0;
}
