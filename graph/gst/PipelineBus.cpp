// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/PipelineBus.h"

#include "graph/gst/StartupPhases.h"

#include <cerrno>
#include <cstdint>
#include <gst/base/gstbasesink.h>
#include <gst/video/videooverlay.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

PipelineBus::PipelineBus(GstElement* pipeline, std::function<std::uintptr_t(GstObject* sink)> windowFor)
    : pipeline_(pipeline), bus_(Adopt(gst_element_get_bus(pipeline))),
      news_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), windowFor_(std::move(windowFor)) {
    if (news_ < 0) {
        throw std::runtime_error("no descriptor for the pipeline's messages");
    }
    gst_bus_set_sync_handler(bus_.get(), &PipelineBus::OnMessage, this, nullptr);
}

PipelineBus::~PipelineBus() {
    gst_bus_set_sync_handler(bus_.get(), nullptr, nullptr, nullptr);
    ::close(news_);
}

void PipelineBus::ClearNews() {
    std::uint64_t count = 0;
    while (::read(news_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

// Runs on the thread that posted the message, often a streaming thread. A handler that answers
// GST_BUS_DROP owns the message: it is queued, or unreffed here.
GstBusSyncReply PipelineBus::OnMessage(GstBus*, GstMessage* message, gpointer data) {
    auto* self = static_cast<PipelineBus*>(data);
    MessageRef owned(message);
    MarkStartupMessage(message);
    if (gst_is_video_overlay_prepare_window_handle_message(message)) {
        GstObject* sink = GST_MESSAGE_SRC(message);
        std::lock_guard guard(self->windowLock_);
        const std::uintptr_t window = self->detached_ ? 0 : self->windowFor_(sink);
        if (window != 0 && GST_IS_VIDEO_OVERLAY(sink)) {
            gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
        }
        return GST_BUS_DROP;
    }
    // Only what the graph acts on is kept, so that a graph nobody polls does not pile up messages. The
    // pipeline's own changes of state are kept for the waits that a state change ends.
    constexpr auto kept = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING |
                                                      GST_MESSAGE_EOS | GST_MESSAGE_ASYNC_DONE);
    const bool pipelineState = GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED &&
                               GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(self->pipeline_);
    if ((GST_MESSAGE_TYPE(message) & kept) == 0 && !pipelineState) {
        // A build that holds its first picture ends when every other sink has prerolled, which only
        // the sinks' own changes of state tell.
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED &&
            GST_IS_BASE_SINK(GST_MESSAGE_SRC(message))) {
            self->Wake();
        }
        return GST_BUS_DROP;
    }
    {
        std::lock_guard guard(self->lock_);
        if (self->detached_) {
            return GST_BUS_DROP;
        }
        self->queue_.push_back({std::move(owned), ++self->serial_});
    }
    self->Wake();
    return GST_BUS_DROP;
}

void PipelineBus::Wake() {
    const std::uint64_t one = 1;
    while (::write(news_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

PipelineBus::Posted PipelineBus::TryPop() {
    std::lock_guard guard(lock_);
    if (queue_.empty()) {
        return {};
    }
    Posted posted = std::move(queue_.front());
    queue_.pop_front();
    return posted;
}

std::uint64_t PipelineBus::LastSerial() {
    std::lock_guard guard(lock_);
    return serial_;
}

void PipelineBus::Detach() {
    std::scoped_lock guard(windowLock_, lock_);
    detached_ = true;
    queue_.clear();
}
