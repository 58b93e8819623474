// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/NumberText.h"

bool TakeBlanksAndSign(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return negative;
}

std::optional<std::uint64_t> DigitsValue(std::string_view digits, bool hex, std::uint64_t limit) {
    if (digits.empty()) {
        return std::nullopt;
    }
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        // Checked before multiplying, so that even a 64-bit limit cannot be passed by wrapping round.
        if (value > (limit - digit) / base) {
            return std::nullopt;
        }
        value = value * base + digit;
    }
    return value;
}
