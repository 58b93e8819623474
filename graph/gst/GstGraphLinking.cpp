// SPDX-License-Identifier: GPL-2.0-or-later
// Building the GStreamer graph: a source decoded by decodebin, each decoded stream linked to a free
// input of a filter already in the graph, through converters, or else to a standard renderer; and
// Connect, which joins two pins through a fresh converter.

#include "graph/GraphNames.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/ThreadedCall.h"
#include "graph/gst/VideoDecoderSetup.h"
#include "gstcommon/GstIteration.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

GstFilterGraph::Media MediaOf(GstPad* pad) {
    CapsRef caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    if (!caps || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get())) {
        return GstFilterGraph::Media::Other;
    }
    const std::string name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    if (name == "video/x-raw") {
        return GstFilterGraph::Media::Video;
    }
    if (name == "audio/x-raw") {
        return GstFilterGraph::Media::Audio;
    }
    return GstFilterGraph::Media::Other;
}

// Whether the file can be read as a whole file: a missing path, a folder or an unreadable file is
// refused here, before any element is made for it.
HRESULT CheckReadableFile(const std::string& path) {
    if (path.empty()) {
        return E_INVALIDARG;
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno == ENOENT || errno == ENOTDIR ? VFW_E_NOT_FOUND : E_FAIL;
    }
    struct stat status {};
    const bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    ::close(descriptor);
    return regular ? S_OK : E_INVALIDARG;
}

// A fresh element as an owned reference: whatever happens to it on the way into the graph, the
// reference goes with the caller's scope.
ElementRef Make(const char* factory) {
    return Share(gst_element_factory_make(factory, nullptr));
}

ElementRef MakeSource(const std::string& path) {
    ElementRef source = Make("filesrc");
    if (source) {
        g_object_set(source.get(), "location", path.c_str(), nullptr);
    }
    return source;
}

} // namespace

// What one decoder's pad-added needs to know: whether free inputs already in the graph come first,
// and how many streams found a renderer.
struct GstFilterGraph::BuildContext {
    GstFilterGraph* graph;
    bool useFiltersInGraph;
    int rendered = 0;
    int unrendered = 0;
};

// Linking calls into the elements linked: a device's input opens its window, a watch of its outputs
// and a sound stream when it is linked, and a renderer brought to the pipeline's state opens its
// device. None of it runs under lock_, which the window's thread takes to let a stuck pipeline go: a
// link caught in such a call would otherwise hold the window with it. lock_ is taken only to add an
// element under its unique name, and only while `pipeline` is still the graph's.
bool GstFilterGraph::AddToPipeline(const ElementRef& pipeline, const ElementRef& element,
                                   const std::string& name) {
    std::lock_guard guard(lock_);
    return pipeline_ == pipeline && AddUnique(element, name);
}

bool GstFilterGraph::LinkThroughConverter(const ElementRef& pipeline, GstPad* output, GstPad* input,
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
            gst_bin_remove(GST_BIN(pipeline.get()), converter.get());
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
bool GstFilterGraph::LinkToFreeInput(const ElementRef& pipeline, GstPad* pad, Media media) {
    GstRef<GstElement> self = Adopt(gst_pad_get_parent_element(pad));
    for (const ElementRef& child : ChildrenInOrder(GST_BIN(pipeline.get()))) {
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
bool GstFilterGraph::LinkToStandardRenderer(const ElementRef& pipeline, GstPad* pad, Media media) {
    ElementRef renderer =
        Share(media == Media::Video ? MakeVideoRenderer(counters_) : MakeSoundRenderer(counters_));
    if (!renderer) {
        return false;
    }
    {
        std::lock_guard guard(lock_);
        if (pipeline_ != pipeline ||
            !AddUnique(renderer, media == Media::Video ? VideoRendererName : SoundRendererName)) {
            return false;
        }
        if (media == Media::Audio) {
            volume_.Follow(renderer.get());
        } else {
            picture_.SizeWindowAhead(pad, renderer.get());
        }
    }
    PadRef input = Adopt(gst_element_get_static_pad(renderer.get(), "Input"));
    if (gst_pad_link(pad, input.get()) != GST_PAD_LINK_OK) {
        gst_element_set_state(renderer.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline.get()), renderer.get());
        return false;
    }
    if (media == Media::Video) {
        std::lock_guard guard(lock_);
        if (pipeline_ == pipeline) {
            // The bus lives as long as the graph, and the pipeline stops before either goes.
            picture_.HoldFirstPicture(pad, renderer.get(), [bus = bus_.get()] { bus->Wake(); });
        }
    }
    gst_element_sync_state_with_parent(renderer.get());
    return true;
}

void GstFilterGraph::PlaceAhead(VideoPlacementRule rule) {
    picture_.PlaceAhead(std::move(rule));
}

void GstFilterGraph::PositionAhead(MediaTime position) {
    // The graph's times are in units of 100 ns.
    positionAhead_ = position > 0 ? static_cast<GstClockTime>(position) * 100 : GST_CLOCK_TIME_NONE;
}

// Runs on a streaming thread.
void GstFilterGraph::LinkDecodedPad(GstPad* pad, BuildContext& context) {
    const Media media = MediaOf(pad);
    ElementRef pipeline;
    {
        std::lock_guard guard(lock_);
        // A decoder of a pipeline handed away for stopping (a build that was caught in a read) may
        // come back from the read and expose its pads long after: they belong to no graph any more.
        GstRef<GstElement> decoder = Adopt(gst_pad_get_parent_element(pad));
        if (!decoder || !Holds(decoder.get())) {
            return;
        }
        pipeline = Share(pipeline_.get());
    }
    const bool linked =
        media != Media::Other && ((context.useFiltersInGraph && LinkToFreeInput(pipeline, pad, media)) ||
                                  LinkToStandardRenderer(pipeline, pad, media));
    {
        std::lock_guard guard(lock_);
        // Let go while it linked: the graph has a new pipeline, which this pad is nothing to.
        if (pipeline_ != pipeline) {
            return;
        }
        if (linked && media == Media::Video) {
            picture_.NoteVideoPad(pad);
            WatchFirstVideoFrame(pad, counters_);
        }
        (linked ? context.rendered : context.unrendered)++;
    }
    if (!linked) {
        parked_.Park(pad);
    }
}

// Runs on a streaming thread.
void GstFilterGraph::OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto& context = *static_cast<BuildContext*>(data);
    context.graph->LinkDecodedPad(pad, context);
}

HRESULT GstFilterGraph::Decode(GstPad* output, bool useFiltersInGraph) {
    // A graph is changed standing still, not under a seek on its way.
    FinishSeeks();
    ElementRef decoder = Make("decodebin");
    if (!decoder) {
        return E_FAIL;
    }
    {
        std::lock_guard guard(lock_);
        if (!AddUnique(decoder, ObjectName(GST_OBJECT(decoder.get())))) {
            return E_FAIL;
        }
    }
    // Only a graph's first build holds its picture back: a build into a graph that holds one already
    // prerolls as a whole, the held picture included.
    picture_.ReleaseFirstPicture();
    auto* context = new BuildContext{this, useFiltersInGraph};
    const gulong handler = g_signal_connect_data(
        decoder.get(), "pad-added", G_CALLBACK(&GstFilterGraph::OnPadAdded), context,
        [](gpointer data, GClosure*) { delete static_cast<BuildContext*>(data); }, GConnectFlags(0));
    decoderHandlers_.emplace_back(GST_OBJECT(decoder.get()), handler);
    // Only the build it was told for.
    SetUpVideoDecoders(decoder.get(), std::exchange(positionAhead_, GST_CLOCK_TIME_NONE));
    programStreams_.Watch(decoder.get());
    PadRef decoderInput = Adopt(gst_element_get_static_pad(decoder.get(), "sink"));
    if (gst_pad_link(output, decoderInput.get()) != GST_PAD_LINK_OK) {
        return VFW_E_CANNOT_CONNECT;
    }
    const HRESULT prerolled = Preroll();
    if (Failed(prerolled)) {
        return prerolled;
    }
    std::lock_guard guard(lock_);
    if (context->rendered == 0) {
        return VFW_E_CANNOT_RENDER;
    }
    return context->unrendered > 0 ? VFW_S_PARTIAL_RENDER : S_OK;
}

HRESULT GstFilterGraph::Render(const std::shared_ptr<IPin>& output) {
    const auto pin = std::dynamic_pointer_cast<GstPin>(output);
    if (!pin) {
        return E_POINTER;
    }
    GstPad* pad = pin->Pad();
    GstRef<GstElement> owner = Adopt(gst_pad_get_parent_element(pad));
    if (!owner || !Holds(owner.get())) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) {
        return E_INVALIDARG;
    }
    if (gst_pad_is_linked(pad)) {
        return VFW_E_ALREADY_CONNECTED;
    }
    return Decode(pad, true);
}

HRESULT GstFilterGraph::CheckReadableFileWithin(const std::string& path) {
    auto answer = std::make_shared<std::atomic<HRESULT>>(E_FAIL);
    std::optional<ThreadedCall> made;
    try {
        made.emplace([path, answer] { answer->store(CheckReadableFile(path)); });
    } catch (const std::exception& problem) {
        GST_WARNING("checking %s on the calling thread: %s", path.c_str(), problem.what());
        return CheckReadableFile(path);
    }
    if (WaitForCall(*made, std::chrono::steady_clock::now() + BuildDeadline)) {
        return answer->load();
    }
    made->LetGo({});
    AddProblem("the file did not open in time: " + path);
    return VFW_E_CANNOT_RENDER;
}

HRESULT GstFilterGraph::RenderFile(const std::string& path) {
    if (const HRESULT readable = CheckReadableFileWithin(path); Failed(readable)) {
        return readable;
    }
    ElementRef source = MakeSource(path);
    if (!source) {
        return E_FAIL;
    }
    {
        std::lock_guard guard(lock_);
        if (!AddUnique(source, path)) {
            return E_FAIL;
        }
    }
    PadRef output = Adopt(gst_element_get_static_pad(source.get(), "src"));
    return Decode(output.get(), false);
}

HRESULT GstFilterGraph::AddSourceFilter(const std::string& path, const std::string& name,
                                        std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    if (const HRESULT readable = CheckReadableFileWithin(path); Failed(readable)) {
        return readable;
    }
    ElementRef source = MakeSource(path);
    if (!source) {
        return E_FAIL;
    }
    auto made = std::make_shared<GstFilter>(source.get());
    const HRESULT added = AddFilter(made, name.empty() ? path : name);
    if (Failed(added)) {
        return added;
    }
    filter = made;
    return added;
}

HRESULT GstFilterGraph::Connect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input) {
    const auto out = std::dynamic_pointer_cast<GstPin>(output);
    const auto in = std::dynamic_pointer_cast<GstPin>(input);
    if (!out || !in) {
        return E_POINTER;
    }
    FinishSeeks();
    GstRef<GstElement> outOwner = Adopt(gst_pad_get_parent_element(out->Pad()));
    GstRef<GstElement> inOwner = Adopt(gst_pad_get_parent_element(in->Pad()));
    if (!outOwner || !inOwner || !Holds(outOwner.get()) || !Holds(inOwner.get())) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (GST_PAD_DIRECTION(out->Pad()) != GST_PAD_SRC || GST_PAD_DIRECTION(in->Pad()) != GST_PAD_SINK) {
        return E_INVALIDARG;
    }
    if (gst_pad_is_linked(out->Pad()) || gst_pad_is_linked(in->Pad())) {
        return VFW_E_ALREADY_CONNECTED;
    }
    const Media media = MediaOf(out->Pad());
    const bool running = PipelineUp();
    MediaTime current = 0;
    MediaTime stop = 0;
    if (running) {
        ReadPositions(current, stop);
    }
    // A fresh converter every time: the stream's caps may have been fixed for the renderer it fed
    // before, which the new input need not accept.
    if (!LinkThroughConverter(Share(pipeline_.get()), out->Pad(), in->Pad(), media)) {
        return VFW_E_CANNOT_CONNECT;
    }
    {
        std::lock_guard guard(lock_);
        if (media == Media::Video) {
            WatchFirstVideoFrame(out->Pad(), counters_);
            picture_.NoteVideoPad(out->Pad());
        }
    }
    parked_.Unpark(out->Pad());
    if (running) {
        Reseek();
    }
    return S_OK;
}
