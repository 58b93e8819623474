// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/fakegraph/FakeScript.h"

#include <algorithm>

HRESULT FakeScript::Enter(const std::string& call, const std::string& arguments) {
    const std::string entry = arguments.empty() ? call : call + "(" + arguments + ")";
    calls_.push_back(entry);
    // The hook may make calls of its own, recorded after this one.
    if (BeforeCall) {
        BeforeCall(call);
    }
    auto failure = failures_.find(entry);
    if (failure == failures_.end()) {
        failure = failures_.find(call);
    }
    return failure == failures_.end() ? S_OK : failure->second;
}

std::vector<std::string> FakeScript::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(found),
                 [&](const std::string& entry) { return entry.starts_with(prefix); });
    return found;
}

bool FakeScript::Called(const std::string& entry) const {
    return std::find(calls_.begin(), calls_.end(), entry) != calls_.end();
}
