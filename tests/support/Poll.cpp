// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/Poll.h"

#include <thread>

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
