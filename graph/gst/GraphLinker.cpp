// SPDX-License-Identifier: GPL-2.0-or-later
// Linking decoded streams into the graph's pipeline: to a free input through converters, or else to a
// standard renderer; and the streams nobody takes, parked.

#include "graph/gst/GraphLinker.h"

#include "graph/GraphNames.h"
#include "graph/gst/GraphPicture.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/SoundVolume.h"
#include "graph/gst/StandardRenderers.h"
#include "graph/gst/VideoDecoderSetup.h"
#include "gstcommon/GstIteration.h"

#include <algorithm>
#include <utility>

namespace {

// A fresh element as an owned reference: whatever happens to it on the way into the graph, the
// reference goes with the caller's scope.
ElementRef Make(const char* factory) {
    return Share(gst_element_factory_make(factory, nullptr));
}

} // namespace

// What one decoder's pad-added needs to know: whether free inputs already in the graph come first,
// and how many streams found a renderer.
struct GraphLinker::BuildContext {
    GraphLinker* linker;
    bool useFiltersInGraph;
    // The decoder's pipeline: its pads link into no other.
    std::uint64_t generation;
    Streams streams;
};

GraphLinker::GraphLinker(LinkedGraph& graph, RenderCounters& counters, SoundVolume& volume,
                         GraphPicture& picture)
    : graph_(graph), counters_(counters), volume_(volume), picture_(picture) {}

GraphLinker::Media GraphLinker::MediaOf(GstPad* pad) {
    CapsRef caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    if (!caps || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get())) {
        return Media::Other;
    }
    const std::string name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    if (name == "video/x-raw") {
        return Media::Video;
    }
    if (name == "audio/x-raw") {
        return Media::Audio;
    }
    return Media::Other;
}

const GraphLinker::Streams& GraphLinker::LinkStreamsOf(GstElement* decoder, bool useFiltersInGraph,
                                                       std::uint64_t generation) {
    auto* context = new BuildContext{this, useFiltersInGraph, generation, {}};
    const gulong handler = g_signal_connect_data(
        decoder, "pad-added", G_CALLBACK(&GraphLinker::OnPadAdded), context,
        [](gpointer data, GClosure*) { delete static_cast<BuildContext*>(data); }, GConnectFlags(0));
    decoderHandlers_.emplace_back(GST_OBJECT(decoder), handler);
    // Only the build it was told for.
    SetUpVideoDecoders(decoder, std::exchange(positionAhead_, GST_CLOCK_TIME_NONE));
    return context->streams;
}

void GraphLinker::PositionAhead(MediaTime position) {
    // The graph's times are in units of 100 ns.
    positionAhead_ = position > 0 ? static_cast<GstClockTime>(position) * 100 : GST_CLOCK_TIME_NONE;
}

void GraphLinker::ForgetElement(GstElement* element) {
    std::erase_if(decoderHandlers_, [element](const SignalConnection& handler) {
        return handler.Get() == GST_OBJECT(element);
    });
    parked_.ReleaseOwnedBy(element);
}

bool GraphLinker::AddToPipeline(const CapturedPipeline& pipeline, const ElementRef& element,
                                const std::string& name) {
    return graph_.WhileCurrent(pipeline.generation, [&] { return graph_.AddUnique(element, name); });
}

bool GraphLinker::LinkThroughConverter(const CapturedPipeline& pipeline, GstPad* output, GstPad* input,
                                       Media media) {
    std::vector<const char*> factories;
    if (media == Media::Video) {
        factories = {"videoconvert"};
    } else if (media == Media::Audio) {
        factories = {"audioconvert", "audioresample"};
    }
    std::vector<ElementRef> added;
    PadRef from = Share(output);
    bool linked = true;
    for (const char* factory : factories) {
        ElementRef converter = Make(factory);
        if (!converter || !AddToPipeline(pipeline, converter, ObjectName(GST_OBJECT(converter.get())))) {
            linked = false;
            break;
        }
        added.push_back(std::move(converter));
        PadRef sink = Adopt(gst_element_get_static_pad(added.back().get(), "sink"));
        if (gst_pad_link(from.get(), sink.get()) != GST_PAD_LINK_OK) {
            linked = false;
            break;
        }
        from = Adopt(gst_element_get_static_pad(added.back().get(), "src"));
    }
    if (linked && gst_pad_link(from.get(), input) != GST_PAD_LINK_OK) {
        linked = false;
    }
    if (!linked) {
        for (const ElementRef& converter : added) {
            gst_bin_remove(GST_BIN(pipeline.pipeline.get()), converter.get());
        }
        return false;
    }
    // From the renderer's side back to the source, so that no data meets an element not yet ready.
    for (auto converter = added.rbegin(); converter != added.rend(); ++converter) {
        gst_element_sync_state_with_parent(converter->get());
    }
    return true;
}

// Runs on a streaming thread (inside pad-added).
bool GraphLinker::LinkToFreeInput(const CapturedPipeline& pipeline, GstPad* pad, Media media) {
    GstRef<GstElement> self = Adopt(gst_pad_get_parent_element(pad));
    for (const ElementRef& child : ChildrenInOrder(GST_BIN(pipeline.pipeline.get()))) {
        if (child.get() == self.get()) {
            continue;
        }
        // Another stream may take the same input first: its link then fails here, and the next one
        // is tried.
        for (const PadRef& input : SinkPadsOf(child.get())) {
            if (!gst_pad_is_linked(input.get()) && MediaOf(input.get()) == media &&
                LinkThroughConverter(pipeline, pad, input.get(), media)) {
                return true;
            }
        }
    }
    return false;
}

// Runs on a streaming thread (inside pad-added).
bool GraphLinker::LinkToStandardRenderer(const CapturedPipeline& pipeline, GstPad* pad, Media media) {
    ElementRef renderer =
        Share(media == Media::Video ? MakeVideoRenderer(counters_) : MakeSoundRenderer(counters_));
    if (!renderer) {
        return false;
    }
    // The renderer is set up before it is linked, while nothing but the graph knows it.
    const bool added = graph_.WhileCurrent(pipeline.generation, [&] {
        if (!graph_.AddUnique(renderer, media == Media::Video ? VideoRendererName : SoundRendererName)) {
            return false;
        }
        if (media == Media::Audio) {
            volume_.Follow(renderer.get());
        } else {
            picture_.SizeWindowAhead(pad, renderer.get());
        }
        return true;
    });
    if (!added) {
        return false;
    }
    PadRef input = Adopt(gst_element_get_static_pad(renderer.get(), "Input"));
    if (gst_pad_link(pad, input.get()) != GST_PAD_LINK_OK) {
        gst_element_set_state(renderer.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline.pipeline.get()), renderer.get());
        return false;
    }
    if (media == Media::Video) {
        graph_.WhileCurrent(pipeline.generation, [&] {
            graph_.HoldFirstPicture(pad, renderer.get());
            return true;
        });
    }
    gst_element_sync_state_with_parent(renderer.get());
    return true;
}

// Runs on a streaming thread.
void GraphLinker::LinkDecodedPad(GstPad* pad, BuildContext& context) {
    const Media media = MediaOf(pad);
    // A decoder of a pipeline handed away for stopping (a build that was caught in a read) may come
    // back from the read and expose its pads long after: they belong to no graph any more.
    GstRef<GstElement> decoder = Adopt(gst_pad_get_parent_element(pad));
    const CapturedPipeline pipeline = decoder ? graph_.PipelineHolding(decoder.get()) : CapturedPipeline();
    if (!pipeline || pipeline.generation != context.generation) {
        return;
    }
    const bool linked =
        media != Media::Other && ((context.useFiltersInGraph && LinkToFreeInput(pipeline, pad, media)) ||
                                  LinkToStandardRenderer(pipeline, pad, media));
    // Let go while it linked: the graph has a new pipeline, which this pad is nothing to.
    const bool current = graph_.WhileCurrent(pipeline.generation, [&] {
        if (linked && media == Media::Video) {
            picture_.NoteVideoPad(pad);
            WatchFirstVideoFrame(pad, counters_);
        }
        (linked ? context.streams.rendered : context.streams.unrendered)++;
        return true;
    });
    if (current && !linked) {
        parked_.Park(pad);
    }
}

void GraphLinker::OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto& context = *static_cast<BuildContext*>(data);
    context.linker->LinkDecodedPad(pad, context);
}
