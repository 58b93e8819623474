// SPDX-License-Identifier: GPL-2.0-or-later
// The wildcard matcher and the case folding behind it on arbitrary bytes, checked against a plain
// backtracking matcher that follows the same rules.

#include "browser/FileNames.h"
#include "browser/FileScan.h"
#include "tests/reliability/fuzz/FuzzSupport.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <utility>

namespace {

bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharLengthAt(text, at);
        if (length == 1 && static_cast<unsigned char>(text[at]) >= 0x80) {
            return false;
        }
        at += length;
    }
    return true;
}

// Every way of matching, remembered by position: "*" takes whole characters, "?" one character,
// anything else one byte.
class ReferenceMatcher {
public:
    ReferenceMatcher(std::string_view name, std::string_view pattern) : name_(name), pattern_(pattern) {}
    bool Matches(std::size_t n, std::size_t p) {
        if (p == pattern_.size()) {
            return n == name_.size();
        }
        const auto key = std::make_pair(n, p);
        if (auto known = seen_.find(key); known != seen_.end()) {
            return known->second;
        }
        bool result = false;
        if (pattern_[p] == '*') {
            result = Matches(n, p + 1) || (n < name_.size() && Matches(n + CharLengthAt(name_, n), p));
        } else if (pattern_[p] == '?') {
            result = n < name_.size() && Matches(n + CharLengthAt(name_, n), p + 1);
        } else {
            result = n < name_.size() && name_[n] == pattern_[p] && Matches(n + 1, p + 1);
        }
        seen_[key] = result;
        return result;
    }

private:
    std::string_view name_;
    std::string_view pattern_;
    std::map<std::pair<std::size_t, std::size_t>, bool> seen_;
};

bool ReferenceMatch(std::string_view name, std::string_view pattern) {
    if (pattern.empty()) {
        return false;
    }
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        ReferenceMatch(name, pattern.substr(0, pattern.size() - 2))) {
        return true;
    }
    return ReferenceMatcher(name, pattern).Matches(0, 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureQtApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(260);
    const std::string pattern = input.ConsumeRemainingBytesAsString();

    for (std::size_t at = 0; at < name.size(); ++at) {
        const std::size_t length = CharLengthAt(name, at);
        FUZZ_CHECK(length >= 1 && length <= 4 && at + length <= name.size());
    }
    (void)UpperText(name);
    (void)LowerText(name);
    (void)DisplayText(name);
    FUZZ_CHECK(SameFileName(name, name, false) && SameFileName(name, name, true));

    const bool matches = MatchesWildcard(name, pattern);
    FUZZ_CHECK(MatchesWildcard(name, "*"));
    if (!name.empty() && !HasWildcards(name)) {
        FUZZ_CHECK(MatchesWildcard(name, name));
    }
    if (IsValidUtf8(name) && IsValidUtf8(pattern) && pattern.size() <= 64) {
        FUZZ_CHECK(matches == ReferenceMatch(FoldedName(name), FoldedName(pattern)));
    }
    for (const std::string& piece : SplitMask(pattern)) {
        FUZZ_CHECK(piece.find(';') == std::string::npos);
    }
    return 0;
}
