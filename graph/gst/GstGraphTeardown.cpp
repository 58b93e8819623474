// SPDX-License-Identifier: GPL-2.0-or-later
// Taking the GStreamer graph's pipeline down without letting a streaming thread that never comes back
// freeze the window. Stopping an element joins its streaming threads; one caught in a read from a dead
// network share or a hanging disk would hold the user-interface thread for as long as the read, at
// the next file, a Stop or the window's close; opening a file there for a build waits the same way.
// Every such change of state runs on a thread of its own (ThreadedCall), and the window waits for it
// only so long, drawn and answering meanwhile. A pipeline whose change has not returned then is cut
// off from the graph and left to that thread, and the graph goes on with a fresh, empty pipeline.

#include "graph/GraphWait.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "graph/gst/StandardRenderers.h"
#include "graph/gst/StartupPhases.h"
#include "graph/gst/ThreadedCall.h"

#include <atomic>
#include <exception>
#include <memory>
#include <optional>

void GstFilterGraph::MakePipeline() {
    ElementRef pipeline = Share(gst_pipeline_new(nullptr));
    // The pipeline keeps time by the system's clock, not by the sound sink's. The sound sink's clock
    // runs only while the sound server plays its stream: after a flushing seek in the paused state
    // (a stop while paused), it sometimes never started again, and every sink waiting on it froze
    // with the position at 0 (about one try in two here). The sound sink follows the system clock
    // instead, as it does when another element provides the clock.
    GstRef<GstClock> systemClock = Adopt(gst_system_clock_obtain());
    gst_pipeline_use_clock(GST_PIPELINE(pipeline.get()), systemClock.get());
    WatchStartupPhases(pipeline.get());
    // Runs on a streaming thread: only our own video renderers get the video window.
    auto bus = std::make_shared<PipelineBus>(pipeline.get(), [this](GstObject* sink) -> std::uintptr_t {
        return IsStandardVideoSink(sink) ? picture_.WindowHandle() : 0;
    });
    // pad-added looks at pipeline_ under the lock to tell whether its decoder is still the graph's.
    std::lock_guard guard(lock_);
    pipeline_ = std::move(pipeline);
    bus_ = std::move(bus);
    // A seek of a pipeline let go is forgotten with it, and so is every wait: the new bus counts anew.
    transport_.Reset();
    seekWatch_ = std::make_unique<BusNewsWatch>(bus_->News(), [this] {
        bus_->ClearNews();
        DrainMessages();
    });
}

namespace {

// A reference that a copyable call can hold: the last one to go, on whichever thread, drops it.
std::shared_ptr<ElementRef> Held(ElementRef element) {
    return std::make_shared<ElementRef>(std::move(element));
}

} // namespace

bool GstFilterGraph::StopWithin(GstElement* element) {
    return ChangeStateWithin(element, GST_STATE_NULL, std::chrono::steady_clock::now() + StopPatience)
        .has_value();
}

std::optional<GstStateChangeReturn>
GstFilterGraph::ChangeStateWithin(GstElement* element, GstState target,
                                  std::chrono::steady_clock::time_point until) {
    auto answer = std::make_shared<std::atomic<GstStateChangeReturn>>(GST_STATE_CHANGE_FAILURE);
    std::optional<ThreadedCall> made;
    try {
        made.emplace([held = Held(Share(element)), target, answer] {
            answer->store(gst_element_set_state(held->get(), target));
        });
    } catch (const std::exception& problem) {
        // Without a thread of its own (none to be had), the change is made here and now.
        GST_WARNING_OBJECT(element, "changing state on the calling thread: %s", problem.what());
        return gst_element_set_state(element, target);
    }
    if (WaitForCall(*made, until)) {
        return answer->load();
    }
    LetPipelineGo(*made);
    return std::nullopt;
}

bool GstFilterGraph::WaitForCall(const ThreadedCall& call, std::chrono::steady_clock::time_point until) {
    GraphWait wait(WaitListener(), call.Ended());
    while (!call.Done() && std::chrono::steady_clock::now() < until) {
        wait.Sleep(until);
    }
    return call.Done();
}

// The pipeline is cut off before it is handed away: its bus neither queues for the graph nor gives a
// sink the window any more, and no decoder of it links into the graph again. Its sinks are past
// prerolling by now (a bin stops its sinks first), so none of them draws into the window. The filters
// the graph lent out stay with their pipeline, and what the graph kept of them is forgotten.
void GstFilterGraph::LetPipelineGo(ThreadedCall& call) {
    GST_WARNING_OBJECT(pipeline_.get(),
                       "the pipeline's change of state did not return in time; it is left to "
                       "its thread");
    AddProblem("the pipeline did not change its state in time: a read or an open that does not return?");
    bus_->Detach();
    {
        std::lock_guard guard(lock_);
        linker_.ForgetDecoders();
    }
    picture_.ForgetBuild();
    linker_.ClearParked();
    ElementRef old;
    std::shared_ptr<PipelineBus> oldBus;
    {
        std::lock_guard guard(lock_);
        old = std::move(pipeline_);
        oldBus = std::move(bus_);
    }
    // The pipeline goes before what its threads could call into.
    call.LetGo([pipeline = Held(std::move(old)), bus = std::move(oldBus)]() mutable {
        if (*pipeline) {
            gst_element_set_state(pipeline->get(), GST_STATE_NULL);
        }
        pipeline.reset();
        bus.reset();
    });
    MakePipeline();
}
