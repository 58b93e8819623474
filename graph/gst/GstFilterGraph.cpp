#include "graph/gst/GstFilterGraph.h"

#include "graph/GraphNames.h"
#include "graph/gst/GstFilter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gst/base/gstbasetransform.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr gint64 NanosecondsPerUnit = 100;
GstFilterGraph::Media MediaOf(GstPad* pad);

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

bool FeedsOthers(GstElement* element) {
    bool feeds = false;
    GstIterator* pads = gst_element_iterate_src_pads(element);
    GValue item = G_VALUE_INIT;
    while (!feeds && gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        feeds = gst_pad_is_linked(GST_PAD(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
    return feeds;
}

// A converter whose output is asked to negotiate again (after the video window changed size) warns
// "not negotiated" when a flush reaches it in the middle: a flushing seek sent to the pipeline goes
// to every sink, so the demuxer may flush twice and the first new frame is caught by the second
// flush. Nothing is lost (the converter negotiates on its next frame), and a negotiation that truly
// fails stops the stream with an error, which is kept.
bool IsHarmlessRenegotiationWarning(GstMessage* message, const GError* warning) {
    return warning && warning->domain == GST_STREAM_ERROR && warning->code == GST_STREAM_ERROR_FORMAT &&
           GST_IS_BASE_TRANSFORM(GST_MESSAGE_SRC(message)) &&
           g_strcmp0(warning->message, "not negotiated") == 0;
}

std::string NameOf(GstObject* object) {
    gchar* name = gst_object_get_name(object);
    std::string text = name ? name : "";
    g_free(name);
    return text;
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

GstFilterGraph::GstFilterGraph() : pipeline_(Share(gst_pipeline_new(nullptr))) {
    windowHandle_ = window_.Handle();
    // Runs on a streaming thread: only our own video renderers get the video window.
    bus_ = std::make_unique<PipelineBus>(pipeline_.get(), [this](GstObject* sink) -> std::uintptr_t {
        return IsStandardVideoSink(sink) ? windowHandle_.load() : 0;
    });
}

GstFilterGraph::~GstFilterGraph() {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    for (auto& [decoder, handler] : decoderHandlers_) {
        g_signal_handler_disconnect(decoder.get(), handler);
    }
    for (auto& [key, parked] : parked_) {
        gst_pad_remove_probe(parked.first.get(), parked.second);
    }
    bus_.reset();
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

std::vector<std::string> GstFilterGraph::Problems() {
    DrainMessages();
    return problems_;
}

// ---- Bus messages -------------------------------------------------------------------------------

void GstFilterGraph::HandleMessage(const PipelineBus::Posted& posted) {
    GstMessage* message = posted.message.get();
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        OnError(message);
        break;
    case GST_MESSAGE_WARNING:
        OnWarning(message);
        break;
    case GST_MESSAGE_EOS:
        OnEndOfStream(posted.serial);
        break;
    case GST_MESSAGE_ASYNC_DONE:
        OnAsyncDone();
        break;
    default:
        break;
    }
}

void GstFilterGraph::OnError(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    problems_.push_back("error from " + NameOf(GST_MESSAGE_SRC(message)) + ": " +
                        (error ? error->message : "unknown"));
    g_clear_error(&error);
    errorSeen_ = true;
}

void GstFilterGraph::OnWarning(GstMessage* message) {
    GError* warning = nullptr;
    gst_message_parse_warning(message, &warning, nullptr);
    if (IsHarmlessRenegotiationWarning(message, warning)) {
        g_clear_error(&warning);
        return;
    }
    problems_.push_back("warning from " + NameOf(GST_MESSAGE_SRC(message)) + ": " +
                        (warning ? warning->message : "unknown"));
    g_clear_error(&warning);
}

// The end of the stream counts only when it belongs to the current segment: one posted before the
// last seek flushed the pipeline is stale.
void GstFilterGraph::OnEndOfStream(std::uint64_t serial) {
    if (serial > eosFence_) {
        atEnd_ = true;
    }
}

void GstFilterGraph::OnAsyncDone() {
    asyncDone_ = true;
}

void GstFilterGraph::DrainMessages() {
    for (auto posted = bus_->TryPop(); posted.message; posted = bus_->TryPop()) {
        HandleMessage(posted);
    }
}

bool GstFilterGraph::WaitForAsyncDone(std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!asyncDone_ && !errorSeen_) {
        const auto posted = bus_->Pop(until);
        if (!posted.message) {
            problems_.push_back("the pipeline did not preroll in time");
            return false;
        }
        HandleMessage(posted);
    }
    return asyncDone_ && !errorSeen_;
}

HRESULT GstFilterGraph::Preroll() {
    DrainMessages();
    asyncDone_ = false;
    errorSeen_ = false;
    const GstStateChangeReturn change = gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    bool ready = change != GST_STATE_CHANGE_FAILURE;
    if (ready && change == GST_STATE_CHANGE_ASYNC) {
        ready = WaitForAsyncDone(BuildDeadline);
    }
    DrainMessages();
    if (!ready || errorSeen_) {
        // A pipeline that failed is taken down whole, so that nothing of it keeps running; the
        // filters stay for whoever looks or empties the graph.
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        DrainMessages();
        errorSeen_ = false;
        broken_ = true;
        return VFW_E_CANNOT_RENDER;
    }
    broken_ = false;
    stopped_ = true;
    settled_ = lastPosition_ == 0;
    return S_OK;
}

bool GstFilterGraph::Running() const {
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &state, &pending, 0);
    return state > GST_STATE_READY || pending > GST_STATE_READY;
}

void GstFilterGraph::Reseek() {
    DrainMessages();
    asyncDone_ = false;
    errorSeen_ = false;
    holdSeekTarget_ = true;
    seekTime_ = std::chrono::steady_clock::now();
    // A running pipeline is paused for the seek and run again after it: a flushing seek while
    // playing resets the running time only once the sinks have prerolled, and a stop or pause that
    // comes in between would otherwise resume at the old running time, skipping ahead.
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &state, &pending, 0);
    const bool playing = (pending == GST_STATE_VOID_PENDING ? state : pending) == GST_STATE_PLAYING;
    if (playing) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
        gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                              std::chrono::duration_cast<std::chrono::nanoseconds>(SeekDeadline).count());
    }
    const bool seeked = gst_element_seek(
        pipeline_.get(), 1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        lastPosition_ * NanosecondsPerUnit, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    // The fence goes up once the flush is through, not before the pause above: a sink that was still
    // playing out the old segment (a slow sound server holds a second or more) can post its end in
    // between, and that end belongs to the old segment.
    eosFence_ = bus_->LastSerial();
    atEnd_ = false;
    // Only a pipeline with a sink prerolls again; without one there is nothing to wait for.
    if (seeked && GST_OBJECT_FLAG_IS_SET(pipeline_.get(), GST_ELEMENT_FLAG_SINK)) {
        WaitForAsyncDone(SeekDeadline);
    }
    if (playing) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    settled_ = seeked && !playing && !errorSeen_;
}

// ---- Filters ------------------------------------------------------------------------------------

bool GstFilterGraph::Holds(GstElement* element) const {
    GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(element)));
    return parent && parent.get() == GST_OBJECT(pipeline_.get());
}

bool GstFilterGraph::AddUnique(GstElement* element, const std::string& name, bool* renamed) {
    std::vector<std::string> taken;
    for (const ElementRef& child : ChildrenInOrder(GST_BIN(pipeline_.get()))) {
        taken.push_back(NameOf(GST_OBJECT(child.get())));
    }
    std::string unique = name;
    for (int number = 1; std::find(taken.begin(), taken.end(), unique) != taken.end(); ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " %04d", number);
        unique = name + suffix;
    }
    if (renamed) {
        *renamed = unique != name;
    }
    // An element that has no parent yet can always be renamed; the name is then free in the bin, so
    // gst_bin_add cannot refuse it (and destroy a floating element on the way).
    if (!gst_object_set_name(GST_OBJECT(element), unique.c_str())) {
        return false;
    }
    return gst_bin_add(GST_BIN(pipeline_.get()), element);
}

HRESULT GstFilterGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) {
    const auto gstFilter = std::dynamic_pointer_cast<GstFilter>(filter);
    if (!gstFilter) {
        return E_POINTER;
    }
    GstElement* element = gstFilter->Element();
    GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(element)));
    if (parent) {
        return E_INVALIDARG;
    }
    bool renamed = false;
    {
        std::lock_guard guard(lock_);
        const std::string wanted = name.empty() ? NameOf(GST_OBJECT(element)) : name;
        if (!AddUnique(element, wanted, &renamed)) {
            return E_FAIL;
        }
    }
    if (Running()) {
        gst_element_sync_state_with_parent(element);
    }
    return renamed ? VFW_S_DUPLICATE_NAME : S_OK;
}

void GstFilterGraph::Park(GstPad* pad) {
    std::lock_guard guard(lock_);
    if (parked_.count(pad)) {
        return;
    }
    // Runs on a streaming thread.
    const gulong probe = gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_DROP; }, nullptr, nullptr);
    parked_.emplace(pad, std::make_pair(Share(pad), probe));
}

void GstFilterGraph::Unpark(GstPad* pad) {
    std::lock_guard guard(lock_);
    const auto found = parked_.find(pad);
    if (found != parked_.end()) {
        gst_pad_remove_probe(pad, found->second.second);
        parked_.erase(found);
    }
}

// A graph lives as long as the player and is emptied and built again for every file: whatever it keeps
// of an element it no longer holds would pile up file after file. Caller holds lock_.
void GstFilterGraph::ForgetRemovedElement(GstElement* element) {
    for (auto decoder = decoderHandlers_.begin(); decoder != decoderHandlers_.end();) {
        if (decoder->first.get() == element) {
            g_signal_handler_disconnect(element, decoder->second);
            decoder = decoderHandlers_.erase(decoder);
        } else {
            ++decoder;
        }
    }
    for (auto parked = parked_.begin(); parked != parked_.end();) {
        GstRef<GstElement> owner = Adopt(gst_pad_get_parent_element(parked->second.first.get()));
        if (owner.get() == element) {
            gst_pad_remove_probe(parked->second.first.get(), parked->second.second);
            parked = parked_.erase(parked);
        } else {
            ++parked;
        }
    }
}

void GstFilterGraph::EmptyGraphReset() {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    DrainMessages();
    std::lock_guard guard(lock_);
    for (auto& [key, parked] : parked_) {
        gst_pad_remove_probe(parked.first.get(), parked.second);
    }
    parked_.clear();
    videoPad_.reset();
    atEnd_ = false;
    eosFence_ = bus_->LastSerial();
    errorSeen_ = false;
    lastPosition_ = 0;
    holdSeekTarget_ = false;
    settled_ = false;
    stopPosition_ = -1;
    stopped_ = true;
    broken_ = false;
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
    const bool running = Running();
    MediaTime current = 0;
    MediaTime stop = 0;
    if (running) {
        GetPositions(current, stop);
    }

    // A filter that feeds others cannot be taken out of a pipeline that holds data: its streaming
    // threads may be waiting in a renderer's preroll, and stopping the filter waits for them. The
    // pipeline stops as a whole (renderers first), as a graph must be stopped to lose its source.
    if (running && FeedsOthers(element)) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        DrainMessages();
        stopped_ = true;
    }

    // The streams that fed the filter are parked: without a consumer, their data is dropped rather
    // than stopping the whole pipeline with "not linked".
    bool cut = false;
    GstIterator* pads = gst_element_iterate_sink_pads(element);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        PadRef peer = Adopt(gst_pad_get_peer(GST_PAD(g_value_get_object(&item))));
        if (peer) {
            Park(peer.get());
            cut = true;
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);

    gst_element_set_locked_state(element, TRUE);
    gst_element_set_state(element, GST_STATE_NULL);
    {
        std::lock_guard guard(lock_);
        if (videoPad_) {
            GstRef<GstElement> owner = Adopt(gst_pad_get_parent_element(videoPad_.get()));
            if (owner.get() == element) {
                videoPad_.reset();
            }
        }
        gst_bin_remove(GST_BIN(pipeline_.get()), element);
        ForgetRemovedElement(element);
    }
    gst_element_set_locked_state(element, FALSE);

    if (ChildrenInOrder(GST_BIN(pipeline_.get())).empty()) {
        EmptyGraphReset();
    } else if (cut && Running()) {
        // The streaming thread that fed the filter was stopped with it; a flushing seek starts it again.
        Reseek();
    }
    return S_OK;
}

HRESULT GstFilterGraph::EnumFilters(std::shared_ptr<IEnumFilters>& filters) {
    filters = std::make_shared<GstEnumFilters>(GST_BIN(pipeline_.get()));
    return S_OK;
}

// ---- Building -----------------------------------------------------------------------------------

bool GstFilterGraph::LinkThroughConverter(GstPad* output, GstPad* input, Media media) {
    std::vector<const char*> factories;
    if (media == Media::Video) {
        factories = {"videoconvert"};
    } else if (media == Media::Audio) {
        factories = {"audioconvert", "audioresample"};
    }
    std::vector<GstElement*> added;
    GstPad* from = output;
    PadRef fromHolder;
    bool linked = true;
    for (const char* factory : factories) {
        GstElement* converter = gst_element_factory_make(factory, nullptr);
        if (!converter || !AddUnique(converter, NameOf(GST_OBJECT(converter)))) {
            linked = false;
            break;
        }
        added.push_back(converter);
        PadRef sink = Adopt(gst_element_get_static_pad(converter, "sink"));
        if (gst_pad_link(from, sink.get()) != GST_PAD_LINK_OK) {
            linked = false;
            break;
        }
        fromHolder = Adopt(gst_element_get_static_pad(converter, "src"));
        from = fromHolder.get();
    }
    if (linked && gst_pad_link(from, input) != GST_PAD_LINK_OK) {
        linked = false;
    }
    if (!linked) {
        for (GstElement* converter : added) {
            gst_bin_remove(GST_BIN(pipeline_.get()), converter);
        }
        return false;
    }
    // From the renderer's side back to the source, so that no data meets an element not yet ready.
    for (auto converter = added.rbegin(); converter != added.rend(); ++converter) {
        gst_element_sync_state_with_parent(*converter);
    }
    return true;
}

// Runs on a streaming thread (inside pad-added). Caller holds lock_.
bool GstFilterGraph::LinkToFreeInput(GstPad* pad, Media media) {
    GstRef<GstElement> self = Adopt(gst_pad_get_parent_element(pad));
    for (const ElementRef& child : ChildrenInOrder(GST_BIN(pipeline_.get()))) {
        if (child.get() == self.get()) {
            continue;
        }
        std::vector<PadRef> free;
        GstIterator* pads = gst_element_iterate_sink_pads(child.get());
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
            GstPad* input = GST_PAD(g_value_get_object(&item));
            if (!gst_pad_is_linked(input) && MediaOf(input) == media) {
                free.push_back(Share(input));
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(pads);
        for (const PadRef& input : free) {
            if (LinkThroughConverter(pad, input.get(), media)) {
                return true;
            }
        }
    }
    return false;
}

// Runs on a streaming thread (inside pad-added). Caller holds lock_.
bool GstFilterGraph::LinkToStandardRenderer(GstPad* pad, Media media) {
    GstElement* renderer =
        media == Media::Video ? MakeVideoRenderer(counters_) : MakeSoundRenderer(counters_);
    if (!renderer) {
        return false;
    }
    if (!AddUnique(renderer, media == Media::Video ? VideoRendererName : SoundRendererName)) {
        return false;
    }
    PadRef input = Adopt(gst_element_get_static_pad(renderer, "Input"));
    if (gst_pad_link(pad, input.get()) != GST_PAD_LINK_OK) {
        gst_element_set_state(renderer, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_.get()), renderer);
        return false;
    }
    gst_element_sync_state_with_parent(renderer);
    return true;
}

// Runs on a streaming thread.
void GstFilterGraph::LinkDecodedPad(GstPad* pad, BuildContext& context) {
    const Media media = MediaOf(pad);
    bool linked = false;
    if (media != Media::Other) {
        std::lock_guard guard(lock_);
        linked =
            (context.useFiltersInGraph && LinkToFreeInput(pad, media)) || LinkToStandardRenderer(pad, media);
        if (linked && media == Media::Video) {
            if (!videoPad_) {
                videoPad_ = Share(pad);
            }
            WatchFirstVideoFrame(pad, counters_);
        }
        (linked ? context.rendered : context.unrendered)++;
    } else {
        std::lock_guard guard(lock_);
        context.unrendered++;
    }
    if (!linked) {
        Park(pad);
    }
}

// Runs on a streaming thread.
void GstFilterGraph::OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto& context = *static_cast<BuildContext*>(data);
    context.graph->LinkDecodedPad(pad, context);
}

HRESULT GstFilterGraph::Decode(GstPad* output, bool useFiltersInGraph) {
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    if (!decoder) {
        return E_FAIL;
    }
    auto* context = new BuildContext{this, useFiltersInGraph};
    {
        std::lock_guard guard(lock_);
        if (!AddUnique(decoder, NameOf(GST_OBJECT(decoder)))) {
            delete context;
            return E_FAIL;
        }
    }
    const gulong handler = g_signal_connect_data(
        decoder, "pad-added", G_CALLBACK(&GstFilterGraph::OnPadAdded), context,
        [](gpointer data, GClosure*) { delete static_cast<BuildContext*>(data); }, GConnectFlags(0));
    decoderHandlers_.emplace_back(Share(decoder), handler);
    PadRef decoderInput = Adopt(gst_element_get_static_pad(decoder, "sink"));
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

HRESULT GstFilterGraph::RenderFile(const std::string& path) {
    if (const HRESULT readable = CheckReadableFile(path); Failed(readable)) {
        return readable;
    }
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    if (!source) {
        return E_FAIL;
    }
    g_object_set(source, "location", path.c_str(), nullptr);
    {
        std::lock_guard guard(lock_);
        if (!AddUnique(source, path)) {
            return E_FAIL;
        }
    }
    PadRef output = Adopt(gst_element_get_static_pad(source, "src"));
    return Decode(output.get(), false);
}

HRESULT GstFilterGraph::AddSourceFilter(const std::string& path, const std::string& name,
                                        std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    if (const HRESULT readable = CheckReadableFile(path); Failed(readable)) {
        return readable;
    }
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    if (!source) {
        return E_FAIL;
    }
    g_object_set(source, "location", path.c_str(), nullptr);
    auto made = std::make_shared<GstFilter>(source);
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
    const bool running = Running();
    MediaTime current = 0;
    MediaTime stop = 0;
    if (running) {
        GetPositions(current, stop);
    }
    {
        std::lock_guard guard(lock_);
        // A fresh converter every time: the stream's caps may have been fixed for the renderer it fed
        // before, which the new input need not accept.
        if (!LinkThroughConverter(out->Pad(), in->Pad(), media)) {
            return VFW_E_CANNOT_CONNECT;
        }
        if (media == Media::Video) {
            WatchFirstVideoFrame(out->Pad(), counters_);
            if (!videoPad_) {
                videoPad_ = Share(out->Pad());
            }
        }
    }
    Unpark(out->Pad());
    if (running) {
        Reseek();
    }
    return S_OK;
}

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

} // namespace
