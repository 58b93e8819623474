// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "graph/gst/ParkedStreams.h"
#include "graph/gst/PipelineHost.h"
#include "gstcommon/GstHandles.h"

#include <functional>
#include <string>
#include <vector>

class GraphPicture;
class SoundVolume;
struct RenderCounters;

// Links a build's decoded streams as the decoder exposes them, on its streaming threads: each to a
// free input of a filter already in the graph (through converters), or else to a standard renderer;
// a stream nobody takes is parked, so that its data is dropped rather than stopping the pipeline with
// "not linked". Connect joins two pads through the same converters.
//
// Linking calls into the elements linked: a device's input opens its window, a watch of its outputs
// and a sound stream when it is linked, and a renderer brought to the pipeline's state opens its
// device. None of it runs under the graph's lock, which the window's thread takes to let a stuck
// pipeline go: a link caught in such a call would otherwise hold the window with it. The lock is
// taken (LinkedGraph::WhileCurrent) only for the graph's own bookkeeping and for adding an element
// not yet linked, and only while the pipeline the decoder belonged to when its pad came is still the
// graph's: the links are made into that pipeline.
class GraphLinker {
public:
    enum class Media { Video, Audio, Other };

    // What the linker asks of the graph it links into.
    class LinkedGraph {
    public:
        // The graph's pipeline when it holds the element; none when the element is not the graph's
        // (its pipeline was let go).
        virtual CapturedPipeline PipelineHolding(GstElement* element) = 0;
        // Runs `work` under the graph's lock while the pipeline of the generation is still the
        // graph's, and gives its answer; false, without running it, once the graph has let it go.
        virtual bool WhileCurrent(std::uint64_t generation, const std::function<bool()>& work) = 0;
        // Adds the element under a name unique among the pipeline's top-level elements. Only inside
        // WhileCurrent.
        virtual bool AddUnique(const ElementRef& element, const std::string& name) = 0;
        // Holds the first picture that passes the pad into the renderer, and wakes the graph's waits
        // once it is held. Only inside WhileCurrent.
        virtual void HoldFirstPicture(GstPad* pad, GstElement* renderer) = 0;

    protected:
        ~LinkedGraph() = default;
    };

    // What one decoder's streams came to. Written under the graph's lock.
    struct Streams {
        int rendered = 0;
        int unrendered = 0;
    };

    GraphLinker(LinkedGraph& graph, RenderCounters& counters, SoundVolume& volume, GraphPicture& picture);
    GraphLinker(const GraphLinker&) = delete;
    GraphLinker& operator=(const GraphLinker&) = delete;

    static Media MediaOf(GstPad* pad);

    // Links each stream the decoder exposes, as it comes, while the pipeline of the generation (the
    // decoder's) is the graph's; free inputs already in the graph come first when `useFiltersInGraph`.
    // The decoder's video decoders are set up for the place told ahead, which only this build takes.
    // The counts live as long as the decoder's handler.
    const Streams& LinkStreamsOf(GstElement* decoder, bool useFiltersInGraph, std::uint64_t generation);
    // The place the next build is sought to; 0 or less for its start.
    void PositionAhead(MediaTime position);

    // Adds converters for the media to `pipeline` between the pads and links them; false (and
    // nothing left behind) when the pads cannot be joined.
    bool LinkThroughConverter(const CapturedPipeline& pipeline, GstPad* output, GstPad* input, Media media);

    void Park(GstPad* pad) { parked_.Park(pad); }
    void Unpark(GstPad* pad) { parked_.Unpark(pad); }
    void ClearParked() { parked_.Clear(); }
    // The decoders' handlers go with the pipeline they were in.
    void ForgetDecoders() { decoderHandlers_.clear(); }
    // A graph lives as long as the player and is emptied and built again for every file: whatever it
    // keeps of an element it no longer holds would pile up file after file.
    void ForgetElement(GstElement* element);

private:
    struct BuildContext;

    // Runs on the decoder's streaming thread.
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer context);
    void LinkDecodedPad(GstPad* pad, BuildContext& context);
    bool LinkToFreeInput(const CapturedPipeline& pipeline, GstPad* pad, Media media);
    bool LinkToStandardRenderer(const CapturedPipeline& pipeline, GstPad* pad, Media media);
    // AddUnique while `pipeline` is still the graph's.
    bool AddToPipeline(const CapturedPipeline& pipeline, const ElementRef& element, const std::string& name);

    LinkedGraph& graph_;
    RenderCounters& counters_;
    SoundVolume& volume_;
    GraphPicture& picture_;
    ParkedStreams parked_;
    // Used on the window's thread only.
    std::vector<SignalConnection> decoderHandlers_;
    // The place the file being built is sought to next, in the stream's time; none for a build from
    // its start. Read by the window's thread that builds.
    GstClockTime positionAhead_ = GST_CLOCK_TIME_NONE;
};
