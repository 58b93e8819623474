// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/GraphWait.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace {

thread_local int waitDepth = 0;

} // namespace

GraphWait::GraphWait(GraphWaitListener* listener, int news) : listener_(listener), news_(news) {
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

void GraphWait::Sleep(std::chrono::steady_clock::time_point until) {
    if (listener_ != nullptr) {
        listener_->GraphWaitSleeps(news_, until);
    } else {
        SleepOnDescriptor(news_, until);
    }
}

bool WaitUntil(GraphWaitListener* listener, int news, const std::function<bool()>& done,
               std::chrono::steady_clock::time_point until) {
    if (done()) {
        return true;
    }
    GraphWait wait(listener, news);
    while (!done() && std::chrono::steady_clock::now() < until) {
        wait.Sleep(until);
    }
    return done();
}

bool SleepOnDescriptor(int descriptor, std::chrono::steady_clock::time_point until) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd watched{descriptor, POLLIN, 0};
        const int ready = ::poll(&watched, descriptor < 0 ? 0 : 1,
                                 static_cast<int>(std::clamp<long long>(left.count(), 0, 1 << 30)));
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}
