// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

// A file: URI as file managers write it: every byte but the unreserved ones percent-encoded.
inline std::string FileUri(const std::string& path) {
    std::string uri = "file://";
    for (const unsigned char byte : path) {
        if (std::isalnum(byte) != 0 ||
            std::string_view("/-._~").find(static_cast<char>(byte)) != std::string::npos) {
            uri += static_cast<char>(byte);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            uri += escaped;
        }
    }
    return uri;
}
