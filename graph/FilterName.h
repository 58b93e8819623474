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
