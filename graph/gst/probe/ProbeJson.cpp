// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/probe/ProbeJson.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const unsigned char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                quoted += escaped;
            } else {
                quoted += static_cast<char>(c);
            }
        }
    }
    return quoted + "\"";
}

void JsonObject::Key(const std::string& key) {
    body_ += body_.empty() ? "" : ", ";
    body_ += JsonString(key) + ": ";
}

void JsonObject::Add(const std::string& key, long long value) {
    Key(key);
    body_ += std::to_string(value);
}

void JsonObject::Add(const std::string& key, double value) {
    Key(key);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    body_ += text;
}

void JsonObject::Add(const std::string& key, bool value) {
    Key(key);
    body_ += value ? "true" : "false";
}

void JsonObject::Add(const std::string& key, const std::string& value) {
    Key(key);
    body_ += JsonString(value);
}

void JsonObject::Add(const std::string& key, const std::vector<std::string>& values) {
    Key(key);
    body_ += "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        body_ += (i ? ", " : "") + JsonString(values[i]);
    }
    body_ += "]";
}

void JsonObject::AddNull(const std::string& key) {
    Key(key);
    body_ += "null";
}

std::string JsonObject::Text() const {
    return "{" + body_ + "}";
}
