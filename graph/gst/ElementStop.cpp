// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/ElementStop.h"

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

struct ElementStop::Shared {
    Shared() : ended(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Shared() { ::close(ended); }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const int ended;
    std::mutex lock;
    bool done = false;
    // Set when the caller gave up waiting; taken by the stopping thread once the stop is over.
    ElementRef pipeline;
    std::shared_ptr<void> keep;
};

ElementStop::ElementStop(GstElement* element) : shared_(std::make_shared<Shared>()) {
    if (shared_->ended < 0) {
        throw std::runtime_error("no descriptor for a stop of the pipeline");
    }
    thread_ = std::thread([shared = shared_, element = Share(element)]() mutable {
        gst_element_set_state(element.get(), GST_STATE_NULL);
        element.reset();
        ElementRef pipeline;
        std::shared_ptr<void> keep;
        {
            std::lock_guard guard(shared->lock);
            shared->done = true;
            pipeline = std::move(shared->pipeline);
            keep = std::move(shared->keep);
        }
        const std::uint64_t one = 1;
        while (::write(shared->ended, &one, sizeof one) < 0 && errno == EINTR) {
        }
        if (pipeline) {
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        }
        // The pipeline goes before what its threads could call into.
        pipeline.reset();
        keep.reset();
    });
}

ElementStop::~ElementStop() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

int ElementStop::Ended() const {
    return shared_->ended;
}

bool ElementStop::Done() const {
    std::lock_guard guard(shared_->lock);
    return shared_->done;
}

void ElementStop::LetGo(ElementRef pipeline, std::shared_ptr<void> keep) {
    {
        std::lock_guard guard(shared_->lock);
        if (!shared_->done) {
            shared_->pipeline = std::move(pipeline);
            shared_->keep = std::move(keep);
        }
    }
    // A stop that ended meanwhile has dropped its own reference: what was handed back goes here, on
    // the caller's thread, where the pipeline is down already apart from the rest of its elements.
    if (pipeline) {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        pipeline.reset();
        keep.reset();
    }
    thread_.detach();
}
