// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// The pipeline's bus, read without a main loop. A sync handler, running on whichever thread posted,
// answers the video sink's request for a window at once (the asking thread must not wait for the
// user-interface thread, which may itself be waiting for the pipeline) and queues every other
// message. The user-interface thread takes the queued messages when it looks at the graph; no
// message ever leaves the graph. Each message queued also makes a descriptor readable, so that a
// wait for the pipeline can sleep on it beside the window's own events instead of looking in slices.
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

    // Readable once a message was queued since the last ClearNews.
    int News() const { return news_; }
    // Called before the queue is read: a message queued after it makes News readable again.
    void ClearNews();
    // Makes News readable with nothing queued: for a change a wait looks at that posts no kept message.
    void Wake();
    // The next queued message if there is one.
    Posted TryPop();
    // The serial of the last message posted so far: anything queued later was posted after now.
    std::uint64_t LastSerial();
    // Cuts the pipeline off from its graph, for a pipeline handed to a thread that stops it: no sink
    // is given a window any more, and nothing more is queued. A call for a window already under way
    // is over when this returns.
    void Detach();

private:
    static GstBusSyncReply OnMessage(GstBus* bus, GstMessage* message, gpointer self);

    GstElement* pipeline_;
    GstRef<GstBus> bus_;
    int news_ = -1;
    std::function<std::uintptr_t(GstObject*)> windowFor_;
    // Held while a sink is given its window, so that Detach waits for a call already under way.
    std::mutex windowLock_;
    std::mutex lock_;
    bool detached_ = false;
    std::deque<Posted> queue_;
    std::uint64_t serial_ = 0;
};
