// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/GraphWait.h"

namespace {

std::function<void(GraphWaitPhase)>& WhileGraphWaits() {
    static std::function<void(GraphWaitPhase)> whileWaiting;
    return whileWaiting;
}

void Tell(GraphWaitPhase phase) {
    if (const auto& whileWaiting = WhileGraphWaits()) {
        whileWaiting(phase);
    }
}

} // namespace

void SetWhileGraphWaits(std::function<void(GraphWaitPhase)> whileWaiting) {
    WhileGraphWaits() = std::move(whileWaiting);
}

GraphWait::GraphWait() {
    Tell(GraphWaitPhase::Begins);
}

GraphWait::~GraphWait() {
    Tell(GraphWaitPhase::Ends);
}

void GraphWait::GoesOn() {
    Tell(GraphWaitPhase::GoesOn);
}
