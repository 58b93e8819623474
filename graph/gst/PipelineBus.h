// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// The pipeline's bus, read without a main loop. A sync handler, running on whichever thread posted,
// answers the video sink's request for a window at once (the asking thread must not wait for the
// user-interface thread, which may itself be waiting for the pipeline) and queues every other
// message. The user-interface thread takes the queued messages when it looks at the graph; no
// message ever leaves the graph.
class PipelineBus {
public:
    // windowFor: the window for a video sink that asks; called on a streaming thread.
    PipelineBus(GstElement* pipeline, std::function<std::uintptr_t(GstObject* sink)> windowFor);
    ~PipelineBus();
    PipelineBus(const PipelineBus&) = delete;
    PipelineBus& operator=(const PipelineBus&) = delete;

    // A message and its place in the order of posting (from 1).
    struct Posted {
        MessageRef message;
        std::uint64_t serial = 0;
    };

    // The next queued message, waiting until the deadline; empty when none came.
    Posted Pop(std::chrono::steady_clock::time_point deadline);
    // The next queued message if there is one.
    Posted TryPop();
    // The serial of the last message posted so far: anything queued later was posted after now.
    std::uint64_t LastSerial();

private:
    static GstBusSyncReply OnMessage(GstBus* bus, GstMessage* message, gpointer self);

    GstRef<GstBus> bus_;
    std::function<std::uintptr_t(GstObject*)> windowFor_;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Posted> queue_;
    std::uint64_t serial_ = 0;
};
