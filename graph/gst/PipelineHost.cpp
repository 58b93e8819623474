// SPDX-License-Identifier: GPL-2.0-or-later
// Making the graph's pipeline, and taking it down without letting a streaming thread that never comes
// back freeze the window.

#include "graph/gst/PipelineHost.h"

#include "core/ThreadedCall.h"
#include "graph/gst/GstGraphLog.h"
#include "graph/gst/StartupPhases.h"

#include <exception>
#include <utility>

namespace {

// A reference that a copyable call can hold: the last one to go, on whichever thread, drops it.
std::shared_ptr<ElementRef> Held(ElementRef element) {
    return std::make_shared<ElementRef>(std::move(element));
}

} // namespace

PipelineHost::PipelineHost(Tenant& tenant, std::mutex& lock) : tenant_(tenant), lock_(lock) {}

PipelineHost::~PipelineHost() = default;

void PipelineHost::MakePipeline() {
    ElementRef pipeline = Share(gst_pipeline_new(nullptr));
    // The pipeline keeps time by the system's clock, not by the sound sink's. The sound sink's clock
    // runs only while the sound server plays its stream: after a flushing seek in the paused state
    // (a stop while paused), it sometimes never started again, and every sink waiting on it froze
    // with the position at 0 (about one try in two here). The sound sink follows the system clock
    // instead, as it does when another element provides the clock.
    GstRef<GstClock> systemClock = Adopt(gst_system_clock_obtain());
    gst_pipeline_use_clock(GST_PIPELINE(pipeline.get()), systemClock.get());
    WatchStartupPhases(pipeline.get());
    const std::uint64_t generation = generation_.load() + 1;
    // Runs on a streaming thread. A bus cut off (Detach) asks no more; the generation says the same
    // for a sink that asks while its pipeline is being let go.
    auto bus =
        std::make_shared<PipelineBus>(pipeline.get(), [this, generation](GstObject* sink) -> std::uintptr_t {
            return generation == generation_.load() ? tenant_.WindowFor(sink) : 0;
        });
    // pad-added looks at the pipeline under the lock to tell whether its decoder is still the graph's.
    std::lock_guard guard(lock_);
    pipeline_ = std::move(pipeline);
    bus_ = std::move(bus);
    generation_ = generation;
    // A seek of a pipeline let go is forgotten with it, and so is every wait: the new bus counts anew.
    tenant_.PipelineMade();
    seekWatch_ = std::make_unique<BusNewsWatch>(bus_->News(), [this, bus = bus_.get(), generation] {
        bus->ClearNews();
        if (generation == generation_.load()) {
            tenant_.TakeNews();
        }
    });
}

bool PipelineHost::StopWithin(GstElement* element, std::chrono::milliseconds patience) {
    return ChangeStateWithin(element, GST_STATE_NULL, std::chrono::steady_clock::now() + patience)
        .has_value();
}

std::optional<GstStateChangeReturn>
PipelineHost::ChangeStateWithin(GstElement* element, GstState target,
                                std::chrono::steady_clock::time_point until) {
    const std::uint64_t generation = generation_.load();
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
    const bool returned = WaitForCall(*made, until);
    // The window answered during the wait, and what it did let the pipeline go: the element went with
    // it, and neither its answer nor its being stuck is the new pipeline's.
    if (generation != generation_.load()) {
        if (!returned) {
            made->LetGo({});
        }
        return std::nullopt;
    }
    if (returned) {
        return answer->load();
    }
    LetPipelineGo(*made);
    return std::nullopt;
}

bool PipelineHost::WaitForCall(const ThreadedCall& call, std::chrono::steady_clock::time_point until) {
    return WaitUntil(
        tenant_.WaitListener(), call.Ended(), [&call] { return call.Done(); }, until);
}

// The pipeline is cut off before it is handed away: its bus neither queues for the graph nor gives a
// sink the window any more, and no decoder of it links into the graph again. Its sinks are past
// prerolling by now (a bin stops its sinks first), so none of them draws into the window. The graph
// forgets what it kept of the pipeline only once the pipeline is taken out: a stream of it linked in
// between would otherwise leave its bookkeeping (its video stream, a parked pad) to the next one.
void PipelineHost::LetPipelineGo(ThreadedCall& call) {
    GST_WARNING_OBJECT(pipeline_.get(),
                       "the pipeline's change of state did not return in time; it is left to "
                       "its thread");
    bus_->Detach();
    seekWatch_.reset();
    ElementRef old;
    std::shared_ptr<PipelineBus> oldBus;
    {
        std::lock_guard guard(lock_);
        old = std::move(pipeline_);
        oldBus = std::move(bus_);
    }
    tenant_.LettingPipelineGo();
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
