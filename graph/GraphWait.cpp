// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/GraphWait.h"

GraphWait::GraphWait(GraphWaitListener* listener) : listener_(listener) {
    if (listener_ != nullptr) {
        listener_->GraphWaitBegins();
    }
}

GraphWait::~GraphWait() {
    if (listener_ != nullptr) {
        listener_->GraphWaitEnds();
    }
}

void GraphWait::GoesOn() {
    if (listener_ != nullptr) {
        listener_->GraphWaitGoesOn();
    }
}
