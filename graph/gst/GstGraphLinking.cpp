// SPDX-License-Identifier: GPL-2.0-or-later
// Building the GStreamer graph: a source decoded by decodebin, whose streams the linker (GraphLinker)
// links as they come; and Connect, which joins two pins through a fresh converter.

#include "core/ThreadedCall.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
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

ElementRef MakeSource(const std::string& path) {
    ElementRef source = Share(gst_element_factory_make("filesrc", nullptr));
    if (source) {
        g_object_set(source.get(), "location", path.c_str(), nullptr);
    }
    return source;
}

} // namespace

// The pipeline is the graph's until it is let go (PipelineHost), which takes lock_.
CapturedPipeline GstFilterGraph::PipelineHolding(GstElement* element) {
    std::lock_guard guard(lock_);
    return Holds(element) ? host_.Capture() : CapturedPipeline();
}

bool GstFilterGraph::WhileCurrent(std::uint64_t generation, const std::function<bool()>& work) {
    std::lock_guard guard(lock_);
    return host_.Current(generation) && work();
}

void GstFilterGraph::HoldFirstPicture(GstPad* pad, GstElement* renderer) {
    // The bus lives as long as the graph, and the pipeline stops before either goes.
    picture_.HoldFirstPicture(pad, renderer, [bus = &host_.Bus()] { bus->Wake(); });
}

void GstFilterGraph::PlaceAhead(VideoPlacementRule rule) {
    picture_.PlaceAhead(std::move(rule));
}

void GstFilterGraph::PositionAhead(MediaTime position) {
    linker_.PositionAhead(position);
}

HRESULT GstFilterGraph::Decode(GstPad* output, bool useFiltersInGraph) {
    // A graph is changed standing still, not under a seek on its way.
    FinishSeeks();
    ElementRef decoder = Share(gst_element_factory_make("decodebin", nullptr));
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
    const GraphLinker::Streams& streams =
        linker_.LinkStreamsOf(decoder.get(), useFiltersInGraph, host_.Generation());
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
    if (streams.rendered == 0) {
        return VFW_E_CANNOT_RENDER;
    }
    return streams.unrendered > 0 ? VFW_S_PARTIAL_RENDER : S_OK;
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
    if (host_.WaitForCall(*made, std::chrono::steady_clock::now() + BuildDeadline)) {
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
    const GraphLinker::Media media = GraphLinker::MediaOf(out->Pad());
    const bool running = PipelineUp();
    MediaTime current = 0;
    MediaTime stop = 0;
    if (running) {
        ReadPositions(current, stop);
    }
    // A fresh converter every time: the stream's caps may have been fixed for the renderer it fed
    // before, which the new input need not accept.
    if (!linker_.LinkThroughConverter(host_.Capture(), out->Pad(), in->Pad(), media)) {
        return VFW_E_CANNOT_CONNECT;
    }
    {
        std::lock_guard guard(lock_);
        if (media == GraphLinker::Media::Video) {
            WatchFirstVideoFrame(out->Pad(), counters_);
            picture_.NoteVideoPad(out->Pad());
        }
    }
    linker_.Unpark(out->Pad());
    if (running) {
        Reseek();
    }
    return S_OK;
}
