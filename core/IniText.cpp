// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/IniText.h"

#include <QString>
#include <vector>

namespace {

struct Line {
    std::size_t begin = 0;   // first byte of the line
    std::size_t textEnd = 0; // end of the text, before "\r\n" or "\n"
    std::size_t end = 0;     // after the line break
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3;
    }
    while (pos < content.size()) {
        Line line;
        line.begin = pos;
        std::size_t newline = content.find('\n', pos);
        if (newline == std::string_view::npos) {
            // The last line may end in a carriage return that lost its line feed; it is the line's
            // end, not its text, so that a section header there has the name it would have with a
            // whole line break, for the reader and the writer alike.
            line.textEnd = line.end = content.size();
            if (line.textEnd > pos && content[line.textEnd - 1] == '\r') {
                --line.textEnd;
            }
        } else {
            line.end = newline + 1;
            line.textEnd = (newline > pos && content[newline - 1] == '\r') ? newline - 1 : newline;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

std::string_view TextOf(std::string_view content, const Line& line) {
    return content.substr(line.begin, line.textEnd - line.begin);
}

// The section name when the line is a section header.
std::optional<std::string_view> SectionHeader(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    std::size_t close = text.find(']');
    if (close != std::string_view::npos) {
        text = text.substr(0, close);
    }
    return Trim(text);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> KeyAndValue(std::string_view text) {
    std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return std::nullopt;
    }
    std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

// Where the first section of the name lies: the index of its header and one past its last line.
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionRange> FindSection(std::string_view content, const std::vector<Line>& lines,
                                        std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionHeader(TextOf(content, lines[i]));
        if (!name || !SameIniName(*name, section)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionHeader(TextOf(content, lines[end]))) {
            ++end;
        }
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(std::string_view content, const std::vector<Line>& lines,
                                   const SectionRange& range, std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        auto entry = KeyAndValue(TextOf(content, lines[i]));
        if (entry && SameIniName(entry->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string_view FirstLineOf(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

bool SameIniName(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    QString left = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
    QString right = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    // Text that is not UTF-8 decodes to replacement characters, which would make different names
    // equal; such names match only byte for byte.
    if (left.contains(QChar::ReplacementCharacter) || right.contains(QChar::ReplacementCharacter)) {
        return false;
    }
    return left.toCaseFolded() == right.toCaseFolded();
}

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut));
}

std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key) {
    std::vector<Line> lines = SplitLines(content);
    auto range = FindSection(content, lines, section);
    if (!range) {
        return std::nullopt;
    }
    auto index = FindKey(content, lines, *range, key);
    if (!index) {
        return std::nullopt;
    }
    return std::string(KeyAndValue(TextOf(content, lines[*index]))->value);
}

std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::string_view lineBreak = content.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::string keyLine = std::string(FirstLineOf(key)) + "=" + std::string(FirstLineOf(value));

    std::vector<Line> lines = SplitLines(content);
    auto range = FindSection(content, lines, section);
    std::string result;
    if (!range) {
        result.assign(content);
        if (!result.empty() && result.back() != '\n') {
            result += lineBreak;
        }
        result += "[" + std::string(FirstLineOf(section)) + "]";
        result += lineBreak;
        result += keyLine;
        result += lineBreak;
        return result;
    }

    if (auto index = FindKey(content, lines, *range, key)) {
        const Line& line = lines[*index];
        result.assign(content.substr(0, line.begin));
        result += keyLine;
        result.append(content.substr(line.textEnd));
        return result;
    }

    // A new key goes after the section's last non-blank line, so blank lines that separate it from
    // the next section stay where they are.
    std::size_t last = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (!Trim(TextOf(content, lines[i])).empty()) {
            last = i;
        }
    }
    const Line& after = lines[last];
    result.assign(content.substr(0, after.end));
    if (after.end == content.size() && content.back() != '\n') {
        // The last line of the file had no line break, or only the carriage return of one.
        result += content.back() == '\r' ? "\n" : lineBreak;
    }
    result += keyLine;
    result += lineBreak;
    result.append(content.substr(after.end));
    return result;
}
