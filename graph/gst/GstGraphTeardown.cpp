// SPDX-License-Identifier: GPL-2.0-or-later
// Taking the GStreamer graph's pipeline down without letting a streaming thread that never comes back
// freeze the window. Stopping an element joins its streaming threads; one caught in a read from a dead
// network share or a hanging disk would hold the user-interface thread for as long as the read, at
// the next file, a Stop or the window's close. Every stop runs on a thread of its own (ElementStop),
// and the window waits for it only StopPatience, drawn and answering meanwhile. A pipeline that is
// still stopping then is cut off from the graph and left to that thread, and the graph goes on with a
// fresh, empty pipeline.

#include "graph/GraphWait.h"
#include "graph/gst/ElementStop.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "graph/gst/StandardRenderers.h"
#include "graph/gst/StartupPhases.h"

#include <exception>
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
        return IsStandardVideoSink(sink) ? windowHandle_.load() : 0;
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

bool GstFilterGraph::StopWithin(GstElement* element) {
    std::optional<ElementStop> made;
    try {
        made.emplace(element);
    } catch (const std::exception& problem) {
        // Without a thread of its own (none to be had), the element is stopped here and now.
        GST_WARNING_OBJECT(element, "stopping on the calling thread: %s", problem.what());
        gst_element_set_state(element, GST_STATE_NULL);
        return true;
    }
    ElementStop& stop = *made;
    const auto until = std::chrono::steady_clock::now() + StopPatience;
    {
        GraphWait wait(WaitListener(), stop.Ended());
        while (!stop.Done() && std::chrono::steady_clock::now() < until) {
            wait.Sleep(until);
        }
    }
    if (stop.Done()) {
        return true;
    }
    LetPipelineGo(stop);
    return false;
}

// The pipeline is cut off before it is handed away: its bus neither queues for the graph nor gives a
// sink the window any more, and no decoder of it links into the graph again. Its sinks are past
// prerolling by now (a bin stops its sinks first), so none of them draws into the window. The filters
// the graph lent out stay with their pipeline, and what the graph kept of them is forgotten.
void GstFilterGraph::LetPipelineGo(ElementStop& stop) {
    GST_WARNING_OBJECT(pipeline_.get(), "the pipeline did not stop in time; it is left to stop on its own");
    AddProblem("the pipeline did not stop in time: a streaming thread is caught (a read that does not "
               "return?)");
    bus_->Detach();
    {
        std::lock_guard guard(lock_);
        decoderHandlers_.clear();
        videoPad_.reset();
    }
    firstPicture_.Reset();
    parked_.Clear();
    ElementRef old;
    std::shared_ptr<PipelineBus> oldBus;
    {
        std::lock_guard guard(lock_);
        old = std::move(pipeline_);
        oldBus = std::move(bus_);
    }
    stop.LetGo(std::move(old), std::move(oldBus));
    MakePipeline();
}
