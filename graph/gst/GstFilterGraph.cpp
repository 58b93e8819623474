// SPDX-License-Identifier: GPL-2.0-or-later
// The filters of the GStreamer graph: adding them under unique names, taking them out, listing them,
// and what the graph forgets when it is emptied.

#include "graph/gst/GstFilterGraph.h"

#include "graph/FilterName.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstGraphLog.h"
#include "graph/gst/StartupPhases.h"
#include "gstcommon/GstIteration.h"

#include <algorithm>

namespace {

bool FeedsOthers(GstElement* element) {
    const auto pads = SourcePadsOf(element);
    return std::any_of(pads.begin(), pads.end(),
                       [](const PadRef& pad) { return gst_pad_is_linked(pad.get()); });
}

} // namespace

GstFilterGraph::GstFilterGraph() {
    InitGraphLog();
    host_.MakePipeline();
}

GstFilterGraph::~GstFilterGraph() {
    StopWatchingForSoundServer();
    host_.StopSeekWatch();
    StopWithin(Pipeline());
    linker_.ForgetDecoders();
    linker_.ClearParked();
}

HRESULT GstFilterGraph::QueryInterface(std::shared_ptr<IMediaControl>& facet) {
    facet = shared_from_this();
    return S_OK;
}

HRESULT GstFilterGraph::QueryInterface(std::shared_ptr<IMediaSeeking>& facet) {
    facet = shared_from_this();
    return S_OK;
}

HRESULT GstFilterGraph::QueryInterface(std::shared_ptr<IBasicVideo>& facet) {
    facet = shared_from_this();
    return S_OK;
}

HRESULT GstFilterGraph::QueryInterface(std::shared_ptr<IVideoWindow>& facet) {
    facet = shared_from_this();
    return S_OK;
}

HRESULT GstFilterGraph::QueryInterface(std::shared_ptr<IBasicAudio>& facet) {
    facet = shared_from_this();
    return S_OK;
}

bool GstFilterGraph::Holds(GstElement* element) const {
    GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(element)));
    return parent && parent.get() == GST_OBJECT(Pipeline());
}

// Asked on every tick of the window's timer: the count alone, without gathering the children.
bool GstFilterGraph::Empty() const {
    GST_OBJECT_LOCK(Pipeline());
    const bool empty = GST_BIN_NUMCHILDREN(GST_BIN(Pipeline())) == 0;
    GST_OBJECT_UNLOCK(Pipeline());
    return empty;
}

bool GstFilterGraph::AddUnique(const ElementRef& element, const std::string& name, bool* renamed) {
    std::vector<std::string> taken;
    for (const ElementRef& child : ChildrenInOrder(GST_BIN(Pipeline()))) {
        taken.push_back(ObjectName(GST_OBJECT(child.get())));
    }
    const std::string unique = UniqueFilterName(name, [&taken](const std::string& candidate) {
        return std::count(taken.begin(), taken.end(), candidate) > 0;
    });
    if (renamed) {
        *renamed = unique != name;
    }
    // An element that has no parent yet can always be renamed; the name is then free in the bin, so
    // gst_bin_add cannot refuse it. The caller's reference keeps the element whatever happens here.
    if (!gst_object_set_name(GST_OBJECT(element.get()), unique.c_str())) {
        return false;
    }
    return gst_bin_add(GST_BIN(Pipeline()), element.get());
}

HRESULT GstFilterGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) {
    const auto gstFilter = std::dynamic_pointer_cast<GstFilter>(filter);
    if (!gstFilter) {
        return E_POINTER;
    }
    const ElementRef element = Share(gstFilter->Element());
    GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(element.get())));
    if (parent) {
        return E_INVALIDARG;
    }
    deviceRouting_.Route(element.get());
    bool renamed = false;
    {
        std::lock_guard guard(lock_);
        const std::string wanted = name.empty() ? ObjectName(GST_OBJECT(element.get())) : name;
        if (!AddUnique(element, wanted, &renamed)) {
            return E_FAIL;
        }
    }
    if (PipelineUp()) {
        gst_element_sync_state_with_parent(element.get());
    }
    return renamed ? VFW_S_DUPLICATE_NAME : S_OK;
}

void GstFilterGraph::SetDeviceScreen(int monitor, bool fullscreen) {
    deviceRouting_.SetScreen(Pipeline(), monitor, fullscreen);
}

void GstFilterGraph::SetDeviceSoundOutput(const std::string& name) {
    deviceRouting_.SetSoundOutput(Pipeline(), name);
}

std::uintptr_t GstFilterGraph::WindowFor(GstObject* sink) {
    // Only our own video renderers get the video window.
    return IsStandardVideoSink(sink) ? picture_.WindowHandle() : 0;
}

void GstFilterGraph::TakeNews() {
    DrainMessages();
}

void GstFilterGraph::PipelineMade() {
    // A seek of a pipeline let go is forgotten with it, and so is every wait: the new bus counts anew.
    transport_.Reset();
}

// The filters the graph lent out stay with the pipeline let go, and what the graph kept of them is
// forgotten. No pipeline is the graph's meanwhile, so no stream of the old one links into the graph now.
void GstFilterGraph::LettingPipelineGo() {
    AddProblem("the pipeline did not change its state in time: a read or an open that does not return?");
    {
        std::lock_guard guard(lock_);
        linker_.ForgetDecoders();
    }
    picture_.ForgetBuild();
    linker_.ClearParked();
}

void GstFilterGraph::EmptyGraphReset() {
    StopWithin(Pipeline());
    transport_.Reset();
    host_.DisarmSeekWatch();
    // The last file's picture goes with its graph: until the next one is placed (a file without a
    // picture for the panel never is), the owner shows its own background. The next build's first
    // picture, made before its renderers are final, is drawn unseen.
    picture_.HideWindow();
    DrainMessages();
    picture_.ForgetBuild();
    std::lock_guard guard(lock_);
    linker_.ClearParked();
    position_.Reset();
    position_.FenceEnds(host_.Bus().LastSerial());
    // What the pipeline posted on its way down waits for nothing.
    transport_.Reset();
    // The sound server's absence was the last file's: the next file's sinks open on whatever server
    // answers then, and say so themselves if none does. Kept, it would have the next file's first
    // look at its positions open healthy sinks anew.
    soundAway_ = false;
    standInsPlay_ = false;
    StopWatchingForSoundServer();
    nextServerCheck_ = {};
}

HRESULT GstFilterGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    const auto gstFilter = std::dynamic_pointer_cast<GstFilter>(filter);
    if (!gstFilter) {
        return E_POINTER;
    }
    GstElement* element = gstFilter->Element();
    if (!Holds(element)) {
        return VFW_E_NOT_FOUND;
    }
    FinishSeeks();
    const bool running = PipelineUp();
    MediaTime current = 0;
    MediaTime stop = 0;
    if (running) {
        ReadPositions(current, stop);
    }

    // A filter that feeds others cannot be taken out of a pipeline that holds data: its streaming
    // threads may be waiting in a renderer's preroll, and stopping the filter waits for them. The
    // pipeline stops as a whole (renderers first), as a graph must be stopped to lose its source.
    if (running && FeedsOthers(element)) {
        if (!StopWithin(Pipeline())) {
            // The filter went with the pipeline it was in.
            EmptyGraphReset();
            return S_OK;
        }
        DrainMessages();
        transport_.TakenDown();
    }

    // The streams that fed the filter are parked: without a consumer, their data is dropped rather
    // than stopping the whole pipeline with "not linked".
    bool cut = false;
    for (const PadRef& input : SinkPadsOf(element)) {
        if (PadRef peer = Adopt(gst_pad_get_peer(input.get()))) {
            linker_.Park(peer.get());
            cut = true;
        }
    }

    gst_element_set_locked_state(element, TRUE);
    // A filter with outputs (a decoder whose demuxer pulls from a source caught in a read) can be held
    // by its upstream's read; a renderer only by its own device, and is waited for as it always was,
    // so that a slow sound server never costs the rest of the graph.
    if (SourcePadsOf(element).empty()) {
        gst_element_set_state(element, GST_STATE_NULL);
    } else if (!StopWithin(element)) {
        EmptyGraphReset();
        return S_OK;
    }
    {
        std::lock_guard guard(lock_);
        picture_.ForgetVideoPadOf(element);
        gst_bin_remove(GST_BIN(Pipeline()), element);
        linker_.ForgetElement(element);
    }
    gst_element_set_locked_state(element, FALSE);

    if (Empty()) {
        EmptyGraphReset();
    } else if (cut && PipelineUp()) {
        // The streaming thread that fed the filter was stopped with it; a flushing seek starts it again.
        Reseek();
    }
    return S_OK;
}

HRESULT GstFilterGraph::EnumFilters(std::shared_ptr<IEnumFilters>& filters) {
    filters = std::make_shared<GstEnumFilters>(GST_BIN(Pipeline()));
    return S_OK;
}
