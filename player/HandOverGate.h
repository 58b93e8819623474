// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// The answer to a file handed over by another start (see PlayerSession), one for every connection
// that answers the call: the one that claims the player's name before the application exists, and
// the application's own. Both feed the files to the same place, by the same rules.
class HandOverGate {
public:
    using Delivery = std::function<void(const std::string& path)>;

    // The deadline a call sent now carries, on the monotonic clock, in nanoseconds.
    static std::int64_t DeadlineFromNow();
    // How long a start waits for the answer to its call: a little past the deadline.
    static int AnswerWaitMilliseconds();

    // True when the file is taken: the URI names a local file, the deadline has not passed, and the
    // gate has not been shut. A file taken before there is a delivery is held, the last one only.
    bool Open(std::string_view uri, std::int64_t deadline);
    // From now on taken files go to the delivery, the one held first. It is called with the gate's
    // lock held and from the thread that answered the call, so it should only post the file on.
    void DeliverTo(Delivery delivery);
    // Every later file is refused, and none is delivered any more. A file taken before this is on its
    // way already, ahead of whatever the window takes after its close.
    void Refuse();

private:
    std::mutex mutex_;
    bool refusing_ = false;
    Delivery delivery_;
    std::optional<std::string> held_;
};
