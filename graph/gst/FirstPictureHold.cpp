// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/FirstPictureHold.h"

#include "core/StartupMarks.h"

#include <chrono>

namespace {

// How often a held picture looks whether its pad was stopped without a flush (the pipeline taken
// down), which nothing announces to a probe.
constexpr std::chrono::milliseconds StoppedCheck{10};

} // namespace

FirstPictureHold::~FirstPictureHold() {
    Reset();
}

void FirstPictureHold::Hold(GstPad* pad, GstElement* renderer, std::function<void()> held) {
    std::lock_guard guard(lock_);
    if (mode_ != Mode::Off) {
        return;
    }
    mode_ = Mode::Hold;
    renderer_ = Share(renderer);
    onHeld_ = std::move(held);
    const gulong id = gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH), OnData,
        this, nullptr);
    probe_ = PadProbe(pad, id);
}

bool FirstPictureHold::Holding() {
    std::lock_guard guard(lock_);
    return held_ && mode_ == Mode::Hold;
}

bool FirstPictureHold::HeldFor(GstElement* element) {
    std::lock_guard guard(lock_);
    return renderer_ && (element == renderer_.get() ||
                         gst_object_has_as_ancestor(GST_OBJECT(element), GST_OBJECT(renderer_.get())));
}

void FirstPictureHold::Release() {
    std::lock_guard guard(lock_);
    if (mode_ == Mode::Hold) {
        mode_ = Mode::Pass;
        changed_.notify_all();
    }
}

void FirstPictureHold::Reset() {
    Release();
    PadProbe probe;
    {
        std::lock_guard guard(lock_);
        probe = std::move(probe_);
    }
    // Removed from here, the probe may still be running on its thread, which the released mode lets
    // go at once.
    probe.Reset();
    std::lock_guard guard(lock_);
    mode_ = Mode::Off;
    held_ = false;
    renderer_.reset();
    onHeld_ = nullptr;
}

GstPadProbeReturn FirstPictureHold::OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& self = *static_cast<FirstPictureHold*>(data);
    // Once the hold is over, buffers pass without taking the lock.
    if (self.mode_ == Mode::Pass) {
        return GST_PAD_PROBE_OK;
    }
    std::unique_lock guard(self.lock_);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_START &&
            self.mode_ == Mode::Hold) {
            // The held picture stands before the flush's new place; a flush with nothing held yet lets
            // the first picture after it through.
            self.mode_ = self.held_ ? Mode::Drop : Mode::Pass;
            self.changed_.notify_all();
        }
        return GST_PAD_PROBE_OK;
    }
    if (self.mode_ != Mode::Hold) {
        return GST_PAD_PROBE_OK;
    }
    self.held_ = true;
    MarkStartupOnce("video: first picture held");
    if (self.onHeld_) {
        self.onHeld_();
    }
    while (self.mode_ == Mode::Hold) {
        if (GST_PAD_IS_FLUSHING(pad)) {
            self.mode_ = Mode::Drop;
            break;
        }
        self.changed_.wait_for(guard, StoppedCheck);
    }
    self.held_ = false;
    if (self.mode_ == Mode::Drop) {
        self.mode_ = Mode::Pass;
        MarkStartupOnce("video: first picture dropped for the place");
        return GST_PAD_PROBE_DROP;
    }
    return GST_PAD_PROBE_OK;
}
