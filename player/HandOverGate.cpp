// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/HandOverGate.h"

#include "player/FileUri.h"

#include <chrono>
#include <utility>

namespace {

// Long enough for a player that is busy but alive: its receiving thread answers at once when it
// runs, but a player that is itself still starting shares the machine with the other starts (four
// starts under the sanitizers took over 2 s to answer). Short enough that a user whose player hangs
// is not kept waiting long for a window.
constexpr std::chrono::milliseconds kHandOverDeadline{5000};
// The answer to a call read just before the deadline is still on its way for a moment.
constexpr std::chrono::milliseconds kAnswerMargin{1000};

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::int64_t HandOverGate::DeadlineFromNow() {
    return Now() + std::chrono::duration_cast<std::chrono::nanoseconds>(kHandOverDeadline).count();
}

int HandOverGate::AnswerWaitMilliseconds() {
    return static_cast<int>((kHandOverDeadline + kAnswerMargin).count());
}

bool HandOverGate::Open(std::string_view uri, std::int64_t deadline) {
    // Held until the file is on its way, so that a close cannot come between the yes and the file.
    const std::lock_guard lock(mutex_);
    if (refusing_ || Now() > deadline) {
        return false;
    }
    std::optional<std::string> path = LocalPathOfFileUri(uri);
    if (!path) {
        return false;
    }
    if (delivery_) {
        delivery_(*path);
    } else {
        // Only the last counts: each file handed over replaces the one before.
        held_ = std::move(path);
    }
    return true;
}

void HandOverGate::DeliverTo(Delivery delivery) {
    const std::lock_guard lock(mutex_);
    if (refusing_) {
        return;
    }
    delivery_ = std::move(delivery);
    if (held_ && delivery_) {
        delivery_(*std::exchange(held_, std::nullopt));
    }
}

void HandOverGate::Refuse() {
    const std::lock_guard lock(mutex_);
    refusing_ = true;
    delivery_ = nullptr;
}
