// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/HandlerGuard.h"

#include <deque>

namespace {

bool heldBack = false;
bool draining = false;
std::deque<std::function<void()>> held;

} // namespace

bool HandlersHeldBack() {
    // Until those held back have run, a new one waits behind them, so that all keep their order.
    return heldBack || (!held.empty() && !draining);
}

bool GraphWaitGoesOn() {
    return heldBack;
}

void HoldBackHandler(std::function<void()> handler) {
    held.push_back(std::move(handler));
}

void SetHandlersHeldBack(bool holdBack) {
    heldBack = holdBack;
}

void RunHeldBackHandlers() {
    // A handler run here may wait for the graph in its turn, and what comes meanwhile joins the end of
    // the queue.
    if (draining) {
        return;
    }
    draining = true;
    while (!held.empty() && !heldBack) {
        std::function<void()> handler = std::move(held.front());
        held.pop_front();
        RunHandler(std::move(handler));
    }
    draining = false;
}

void DiscardHeldBackHandlers() {
    held.clear();
}
