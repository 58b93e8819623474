// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphStatus.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// What every part of the fake graph shares: the record of calls in the order they came, and the
// failures a test has scripted. A call is recorded as its name, followed by its arguments in
// parentheses when it has any ("RenderFile(/media/clip.avi)"). A failure is scripted either for the
// whole entry ("QueryInterface(IBasicVideo)") or for the name alone ("RenderFile"), and hits every
// matching call until it is healed.
class FakeScript {
public:
    void Fail(const std::string& call, HRESULT status = E_FAIL) { failures_[call] = status; }
    void Heal(const std::string& call) { failures_.erase(call); }

    // Records the call and answers the scripted failure, or S_OK.
    HRESULT Enter(const std::string& call, const std::string& arguments = {});
    // Records something that is not a call of the interface (a release, a broken rule).
    void Note(const std::string& entry) { calls_.push_back(entry); }

    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The recorded entries that start with the prefix, in order.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    bool Called(const std::string& entry) const;

    // Runs as each call is entered, before its failure is looked up: a test holds a graph's wait there
    // (a slow disk) or heals a failure for the calls that follow.
    std::function<void(const std::string& call)> BeforeCall;

    // Open filter enumerators; the graph must not change while one is open.
    int OpenFilterEnumerators = 0;

private:
    std::vector<std::string> calls_;
    std::map<std::string, HRESULT> failures_;
};
