// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/FileUri.h"

namespace {

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t at = 0; at < prefix.size(); ++at) {
        const char c = text[at];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != prefix[at]) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            bytes += text[at];
            continue;
        }
        if (at + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = HexValue(text[at + 1]);
        const int low = HexValue(text[at + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return bytes;
}

} // namespace

std::optional<std::string> LocalPathOfFileUri(std::string_view uri) {
    if (!StartsWithNoCase(uri, "file:")) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto pathStart = rest.find('/');
        if (pathStart == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view host = rest.substr(0, pathStart);
        if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost"))) {
            return std::nullopt;
        }
        rest.remove_prefix(pathStart);
    }
    if (!rest.starts_with('/')) {
        return std::nullopt;
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::optional<std::string> path = PercentDecoded(rest);
    // A NUL cannot be part of a path; a URI that holds one names no file.
    if (!path || path->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return path;
}

std::string FileUriOfPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        }
    }
    return uri;
}

std::vector<std::string> LocalPathsOfUriList(std::string_view list) {
    std::vector<std::string> paths;
    while (!list.empty()) {
        const auto end = list.find('\n');
        std::string_view line = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (auto path = LocalPathOfFileUri(line)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}
