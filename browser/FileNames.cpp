// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileNames.h"

#include <QChar>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the valid UTF-8 sequence at text[at]; returns its length, or 0 when none begins there.
std::size_t DecodeAt(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not valid UTF-8.
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    codePoint = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

template <typename Map> std::string MapCharacters(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out += static_cast<char>(map(char32_t(byte)));
            ++at;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = DecodeAt(text, at, c);
        if (length == 0) {
            out += text[at];
            ++at;
        } else {
            AppendUtf8(out, map(c));
            at += length;
        }
    }
    return out;
}

char32_t FoldAscii(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

} // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t at) {
    char32_t ignored = 0;
    const std::size_t length = DecodeAt(text, at, ignored);
    return length == 0 ? 1 : length;
}

std::string FoldedName(std::string_view name) {
    return MapCharacters(name, [](char32_t c) { return c < 0x80 ? FoldAscii(c) : QChar::toCaseFolded(c); });
}

std::string UpperText(std::string_view text) {
    return MapCharacters(text, [](char32_t c) { return QChar::toUpper(c); });
}

std::string LowerText(std::string_view text) {
    return MapCharacters(text, [](char32_t c) { return QChar::toLower(c); });
}

bool SameFileName(std::string_view a, std::string_view b, bool caseSensitive) {
    if (caseSensitive) {
        return a == b;
    }
    return a == b || FoldedName(a) == FoldedName(b);
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesFoldedWildcard(std::string_view name, std::string_view pattern) {
    if (pattern.empty()) {
        return false;
    }
    // A trailing ".*" stands for "any extension or none".
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        MatchesFoldedWildcard(name, pattern.substr(0, pattern.size() - 2))) {
        return true;
    }
    // Iterative matching with one backtrack point for the last "*": linear in practice and never
    // exponential, whatever the pattern.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLengthAt(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP;
            starN += CharLengthAt(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    return MatchesFoldedWildcard(FoldedName(name), FoldedName(pattern));
}

QString DisplayText(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}
