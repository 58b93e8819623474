// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphWait.h"
#include "graph/gst/BusNewsWatch.h"
#include "graph/gst/PipelineBus.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class ThreadedCall;

// A pipeline as something caught it (a decoder's pad, a call on a thread of its own): the pipeline,
// and the generation it was made in. Work for it goes on only while the graph holds that generation.
struct CapturedPipeline {
    ElementRef pipeline;
    std::uint64_t generation = 0;

    explicit operator bool() const { return static_cast<bool>(pipeline); }
};

// The graph's pipeline and its bus, made and let go of. Stopping an element joins its streaming
// threads; one caught in a read from a dead network share or a hanging disk would hold the
// user-interface thread for as long as the read, at the next file, a Stop or the window's close;
// opening a file there for a build waits the same way. Every such change of state runs on a thread of
// its own (ThreadedCall), and the window waits for it only so long, drawn and answering meanwhile. A
// pipeline whose change has not returned then is cut off from the graph and left to that thread, and
// the graph goes on with a fresh, empty pipeline.
//
// Each pipeline made gets the next generation number. Whatever caught a pipeline (a decoder's
// pad-added, a change of state on its own thread, the watch of the bus) checks the number before it
// acts for it, so that work for a pipeline let go never reaches the one that replaced it, whether or
// not it still holds the old pipeline. The number changes under the graph's lock, together with the
// pipeline.
class PipelineHost {
public:
    // What the host asks of the graph whose pipeline it keeps.
    class Tenant {
    public:
        // The window for a video sink of the pipeline that asks for one; 0 for none. On a streaming
        // thread.
        virtual std::uintptr_t WindowFor(GstObject* sink) = 0;
        // The bus has news while the window idles and the seek watch is armed: the graph takes it.
        virtual void TakeNews() = 0;
        // The pipeline was cut off and taken out, and is being handed away: the graph forgets what it
        // kept of it. The graph holds no pipeline meanwhile.
        virtual void LettingPipelineGo() = 0;
        // A fresh pipeline: nothing is waited for. Called under the graph's lock.
        virtual void PipelineMade() = 0;
        // Whom the waits for a call on its own thread tell.
        virtual GraphWaitListener* WaitListener() const = 0;

    protected:
        ~Tenant() = default;
    };

    // `lock` is the graph's: the pipeline and its generation change under it.
    PipelineHost(Tenant& tenant, std::mutex& lock);
    ~PipelineHost();
    PipelineHost(const PipelineHost&) = delete;
    PipelineHost& operator=(const PipelineHost&) = delete;

    // Makes the pipeline and its bus, empty, as the next generation.
    void MakePipeline();
    GstElement* Pipeline() const { return pipeline_.get(); }
    PipelineBus& Bus() const { return *bus_; }
    std::uint64_t Generation() const { return generation_.load(); }
    // The pipeline and its generation. Caller holds the graph's lock, or is on the window's thread,
    // the only one that changes them.
    CapturedPipeline Capture() const { return {Share(pipeline_.get()), generation_.load()}; }
    // Whether the generation is the graph's now; not while its pipeline is on its way out and the
    // next one not made yet. Caller holds the graph's lock.
    bool Current(std::uint64_t generation) const { return pipeline_ && generation == generation_.load(); }

    // Moves a seek in flight on while nobody asks the graph anything (the window idles).
    void ArmSeekWatch() { seekWatch_->Arm(); }
    void DisarmSeekWatch() { seekWatch_->Disarm(); }
    void StopSeekWatch() { seekWatch_.reset(); }

    // Takes the element (the pipeline or one of its filters) to NULL. True once it is down; false when
    // it did not stop within `patience` and its pipeline was handed to the stopping thread, the graph
    // now holding a fresh, empty one.
    bool StopWithin(GstElement* element, std::chrono::milliseconds patience);
    // Takes the element to the state on a thread of its own, waiting until `until` with the window
    // drawn and answering: going to PAUSED opens the file, which on a sleeping share waits for its
    // server. None when the change had not returned by then: the pipeline was handed to that thread,
    // and the graph holds a fresh, empty one. None too when the element's pipeline was let go while
    // the change ran: its answer is not the graph's.
    std::optional<GstStateChangeReturn> ChangeStateWithin(GstElement* element, GstState target,
                                                          std::chrono::steady_clock::time_point until);
    // Waits for the call until `until`, the window drawn and answering; tells whether it returned.
    bool WaitForCall(const ThreadedCall& call, std::chrono::steady_clock::time_point until);

private:
    void LetPipelineGo(ThreadedCall& call);

    Tenant& tenant_;
    std::mutex& lock_;
    ElementRef pipeline_;
    // Shared with the thread that stops a pipeline handed away, whose sync handler it is.
    std::shared_ptr<PipelineBus> bus_;
    // Written under lock_; read without it where only a change since matters.
    std::atomic<std::uint64_t> generation_{0};
    std::unique_ptr<BusNewsWatch> seekWatch_;
};
