// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/GraphWait.h"

namespace {

thread_local int waitDepth = 0;

} // namespace

GraphWait::GraphWait(GraphWaitListener* listener) : listener_(listener) {
    ++waitDepth;
    if (listener_ != nullptr) {
        listener_->GraphWaitBegins();
    }
}

GraphWait::~GraphWait() {
    if (listener_ != nullptr) {
        listener_->GraphWaitEnds();
    }
    --waitDepth;
}

bool GraphWait::Underway() {
    return waitDepth > 0;
}

void GraphWait::GoesOn() {
    if (listener_ != nullptr) {
        listener_->GraphWaitGoesOn();
    }
}
