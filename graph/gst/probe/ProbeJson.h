// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// Just enough JSON for one flat object of numbers, truth values, texts and lists of texts.
class JsonObject {
public:
    void Add(const std::string& key, long long value);
    void Add(const std::string& key, double value);
    void Add(const std::string& key, bool value);
    void Add(const std::string& key, const std::string& value);
    void Add(const std::string& key, const std::vector<std::string>& values);
    void AddNull(const std::string& key);
    std::string Text() const;

private:
    void Key(const std::string& key);
    std::string body_;
};

// The text as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);
