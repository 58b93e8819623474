// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"

#include <optional>
#include <string>

// The name a filter reports, taken as far as its first zero byte, or nothing when it cannot say.
inline std::optional<std::string> QueryFilterName(IBaseFilter& filter) {
    FilterInfo info;
    if (Failed(filter.QueryFilterInfo(info))) {
        return std::nullopt;
    }
    return info.Name.substr(0, info.Name.find('\0'));
}

// The name a filter added as `wanted` gets in a graph: the name itself when no filter of the graph
// carries it, else the name followed by a blank and the first free four-digit number ("Name 0001").
template <typename Taken> std::string UniqueFilterName(const std::string& wanted, Taken taken) {
    std::string unique = wanted;
    for (int number = 1; taken(unique); ++number) {
        std::string suffix = std::to_string(number);
        unique = wanted + " " + std::string(suffix.size() < 4 ? 4 - suffix.size() : 0, '0') + suffix;
    }
    return unique;
}
