// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/HalvionRenderer.h"

#include "device/OutputSinks.h"
#include "device/OutputWindow.h"
#include "gstcommon/BufferCounting.h"
#include "gstcommon/Deinterlacing.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <gst/audio/audio.h>
#include <gst/video/videooverlay.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the element keeps besides its GObject part. Counters and the pair (video sink, window
// handle) are read on streaming threads without the lock: a streaming thread must never wait for
// the thread that is linking or unlinking, which may itself wait for that streaming thread.
struct RendererState {
    std::mutex lock;
    OutputPlacement placement;
    // The placement changed and the window has not followed yet: it moves once for every change made
    // in one call, so that setting the monitor and full screen together opens one window, not two.
    bool placementChanged = false;
    std::string audioDevice;
    bool disposing = false;

    GstPad* videoPad = nullptr;
    GstPad* audioPad = nullptr;
    // The elements behind each input, from the converter to the sink, each with a reference of the
    // element's own besides the one the bin holds while they are in it.
    std::vector<ElementRef> videoChain;
    std::vector<ElementRef> audioChain;
    std::unique_ptr<OutputWindow> window;

    // The sound output as chosen, and the sound-server sink that plays it (none while a stand-in plays
    // silently): read by the output watch on its own thread, which must never wait for `lock`, since
    // stopping the watch under `lock` waits for that thread.
    std::mutex soundLock;
    std::string chosenOutput;
    ElementRef serverSink;
    // The server's outputs by name, each with whether it is the default, as the watch has told them.
    // The watch's thread keeps this list rather than asking the monitor: every call into the monitor
    // takes its provider's start lock, which stopping the watch holds while it joins that very thread.
    std::map<std::string, bool> outputs;
    bool watching = false;
    // Started and stopped under `lock`, by the thread that links or unlinks; never touched by the
    // watch's own thread.
    GstRef<GstDeviceMonitor> outputWatch;

    std::atomic<GstElement*> videoSink{nullptr};
    std::atomic<unsigned long> windowHandle{0};
    std::atomic<guint64> videoFrames{0};
    std::atomic<guint64> audioSamples{0};
    std::atomic<guint> audioBytesPerFrame{0};
};

enum Signal { SignalReopenAudio, SignalCount };
guint signals[SignalCount] = {};

enum Property { PropMonitor = 1, PropFullscreen, PropAudioDevice, PropVideoFrames, PropAudioSamples };

GstStaticPadTemplate videoTemplate =
    GST_STATIC_PAD_TEMPLATE("Video-In", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw"));
GstStaticPadTemplate audioTemplate =
    GST_STATIC_PAD_TEMPLATE("Audio-In", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-raw"));

} // namespace

struct _HalvionRenderer {
    GstBin parent;
    RendererState* state;
};

G_DEFINE_TYPE(HalvionRenderer, halvion_renderer, GST_TYPE_BIN)

namespace {

// Makes the named elements; on a missing factory reports it and returns an empty list. Whatever is
// not kept goes with the list.
std::vector<ElementRef> MakeElements(HalvionRenderer* self, std::initializer_list<const char*> factories) {
    std::vector<ElementRef> elements;
    for (const char* factory : factories) {
        ElementRef element = Share(gst_element_factory_make(factory, nullptr));
        if (!element) {
            GST_ELEMENT_ERROR(self, CORE, MISSING_PLUGIN,
                              ("The GStreamer element \"%s\" is missing.", factory), (nullptr));
            return {};
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

// Puts the chain behind the ghost pad: adds and links the elements, brings them to the bin's state
// from the last to the first, so that no data meets an element that is not ready, and only then
// points the pad at the first.
bool AttachChain(HalvionRenderer* self, GstPad* ghost, const std::vector<ElementRef>& chain) {
    GstBin* bin = GST_BIN(self);
    for (const ElementRef& element : chain) {
        gst_bin_add(bin, element.get());
    }
    for (size_t i = 1; i < chain.size(); ++i) {
        if (!gst_element_link(chain[i - 1].get(), chain[i].get())) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("The device's output could not be set up."),
                              ("cannot link %s to %s", GST_ELEMENT_NAME(chain[i - 1].get()),
                               GST_ELEMENT_NAME(chain[i].get())));
            return false;
        }
    }
    for (auto element = chain.rbegin(); element != chain.rend(); ++element) {
        gst_element_sync_state_with_parent(element->get());
    }
    const PadRef first = Adopt(gst_element_get_static_pad(chain.front().get(), "sink"));
    gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), first.get());
    return true;
}

// Stops the chain from its sink backwards: a streaming thread parked in the sink's preroll holds
// the stream locks of every element before it, and only stopping the sink releases it.
void DetachChain(HalvionRenderer* self, GstPad* ghost, std::vector<ElementRef>& chain) {
    for (auto element = chain.rbegin(); element != chain.rend(); ++element) {
        gst_element_set_locked_state(element->get(), TRUE);
        gst_element_set_state(element->get(), GST_STATE_NULL);
    }
    gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), nullptr);
    for (const ElementRef& element : chain) {
        gst_bin_remove(GST_BIN(self), element.get());
    }
    chain.clear();
}

void AttachVideo(HalvionRenderer* self) {
    RendererState& state = *self->state;
    if (!state.videoChain.empty()) {
        return;
    }
    std::string error;
    state.window = OutputWindow::Open(HALVION_OUTPUT_NAME, state.placement, error);
    if (!state.window) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_WRITE, ("The device's output window could not be opened."),
                          ("%s", error.c_str()));
        return;
    }
    std::vector<ElementRef> chain = MakeElements(self, {"videoconvert", "videoscale"});
    ElementRef sink = chain.empty() ? nullptr : MakeVideoSink();
    if (!sink) {
        if (!chain.empty()) {
            GST_ELEMENT_ERROR(self, CORE, MISSING_PLUGIN, ("No X11 video sink is installed."), (nullptr));
        }
        state.window.reset();
        return;
    }
    state.windowHandle = state.window->Handle();
    state.videoSink = sink.get();
    chain.push_back(std::move(sink));
    state.videoChain = std::move(chain);
    if (!AttachChain(self, state.videoPad, state.videoChain)) {
        state.videoSink = nullptr;
        DetachChain(self, state.videoPad, state.videoChain);
        state.window.reset();
    }
}

void DetachVideo(HalvionRenderer* self) {
    RendererState& state = *self->state;
    state.videoSink = nullptr;
    DetachChain(self, state.videoPad, state.videoChain);
    RemoveDeinterlacer(state.videoPad);
    // Only now that the sink is stopped: it must never draw into a window that is gone.
    state.windowHandle = 0;
    state.window.reset();
}

// Moves the picture to where the placement now says, at once: a new window there, the sink drawing
// into it, and only then the old one gone, so that the sink never draws into a window that no longer
// exists. A new window rather than the old one moved: a window manager that managed it as a framed
// window does not let go of it in step with a change to override-redirect. Runs with the state's lock
// held, on the thread that set the property.
void MoveOutput(HalvionRenderer* self) {
    RendererState& state = *self->state;
    if (!state.window) {
        return;
    }
    std::string error;
    std::unique_ptr<OutputWindow> moved = OutputWindow::Open(HALVION_OUTPUT_NAME, state.placement, error);
    if (!moved) {
        GST_ELEMENT_WARNING(self, RESOURCE, OPEN_WRITE, ("The device's output window could not be moved."),
                            ("%s", error.c_str()));
        return;
    }
    state.windowHandle = moved->Handle();
    if (GstElement* sink = state.videoSink) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), moved->Handle());
        // ximagesink takes pictures at its window's size, which the scaler ahead of it makes: asking
        // upstream to negotiate again gives the next picture the new window's size.
        const PadRef input = Adopt(gst_element_get_static_pad(sink, "sink"));
        gst_pad_push_event(input.get(), gst_event_new_reconfigure());
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
    }
    state.window = std::move(moved);
}

void DetachAudio(HalvionRenderer* self);

// The server's name for an output the watch lists (the pulse provider's "internal-name").
std::string OutputName(GstDevice* device) {
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        return {};
    }
    GStringRef name;
    g_object_get(device, "internal-name", static_cast<gchar**>(OutParam(name)), nullptr);
    return name ? name.get() : "";
}

bool IsDefaultOutput(GstDevice* device) {
    const StructureRef properties(gst_device_get_properties(device));
    gboolean isDefault = FALSE;
    return properties && gst_structure_get_boolean(properties.get(), "is-default", &isDefault) && isDefault;
}

// Where the sound should go now: the chosen output while the server lists it, else the server's
// default. A stream sent to an output the server does not have would fail, and an empty name does not
// move a stream that plays on another output, so the default goes by its name too. Caller holds
// soundLock.
std::string SoundTarget(RendererState& state) {
    if (!state.watching) {
        return state.chosenOutput;
    }
    if (!state.chosenOutput.empty() && state.outputs.count(state.chosenOutput) > 0) {
        return state.chosenOutput;
    }
    for (const auto& [name, isDefault] : state.outputs) {
        if (isDefault) {
            return name;
        }
    }
    return {};
}

// Moves the playing stream: pulsesink takes a new device while it plays. Caller holds soundLock.
void SteerSound(RendererState& state) {
    if (!state.serverSink) {
        return;
    }
    const std::string target = SoundTarget(state);
    g_object_set(state.serverSink.get(), "device", target.empty() ? nullptr : target.c_str(), nullptr);
}

// Runs on the watch's own thread, and so never calls into the monitor (see RendererState::outputs). An
// output that comes (back) may be the chosen one; one that goes was moved to the default by the server
// itself.
GstBusSyncReply OnOutputsChanged(GstBus*, GstMessage* message, gpointer data) {
    const MessageRef owned(message);
    auto& state = *static_cast<RendererState*>(data);
    GstDevice* told = nullptr;
    GstDevice* before = nullptr;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_DEVICE_ADDED:
        gst_message_parse_device_added(message, &told);
        break;
    case GST_MESSAGE_DEVICE_REMOVED:
        gst_message_parse_device_removed(message, &told);
        break;
    case GST_MESSAGE_DEVICE_CHANGED:
        gst_message_parse_device_changed(message, &told, &before);
        break;
    default:
        return GST_BUS_DROP;
    }
    const GstRef<GstDevice> device(told);
    const GstRef<GstDevice> previous(before);
    if (!device) {
        return GST_BUS_DROP;
    }
    const std::string name = OutputName(device.get());
    std::lock_guard soundGuard(state.soundLock);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED) {
        state.outputs.erase(name);
        return GST_BUS_DROP;
    }
    if (previous) {
        state.outputs.erase(OutputName(previous.get()));
    }
    state.outputs[name] = IsDefaultOutput(device.get());
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED && !state.chosenOutput.empty() &&
        name == state.chosenOutput) {
        SteerSound(state);
    }
    return GST_BUS_DROP;
}

// Starts watching the server's outputs; without a server there is nothing to watch, and nothing
// fails. Caller holds lock.
void WatchOutputs(RendererState& state) {
    // A new monitor comes with its reference already sunk: shared, it would never go.
    GstRef<GstDeviceMonitor> watch = Adopt(gst_device_monitor_new());
    gst_device_monitor_add_filter(watch.get(), "Audio/Sink", nullptr);
    const GstRef<GstBus> bus = Adopt(gst_device_monitor_get_bus(watch.get()));
    gst_bus_set_sync_handler(bus.get(), OnOutputsChanged, &state, nullptr);
    if (!gst_device_monitor_start(watch.get())) {
        return;
    }
    // The outputs listed before the watch began; asked here, on the linking thread, which the watch's
    // own thread never waits for.
    const ObjectListRef devices(gst_device_monitor_get_devices(watch.get()));
    {
        std::lock_guard soundGuard(state.soundLock);
        for (GList* item = devices.get(); item; item = item->next) {
            GstDevice* device = GST_DEVICE(item->data);
            state.outputs.emplace(OutputName(device), IsDefaultOutput(device));
        }
        state.watching = true;
    }
    state.outputWatch = std::move(watch);
}

void AttachAudio(HalvionRenderer* self) {
    RendererState& state = *self->state;
    if (!state.audioChain.empty()) {
        return;
    }
    std::vector<ElementRef> chain = MakeElements(self, {"audioconvert", "audioresample"});
    if (chain.empty()) {
        return;
    }
    WatchOutputs(state);
    std::string target;
    {
        std::lock_guard soundGuard(state.soundLock);
        target = SoundTarget(state);
    }
    bool noServer = false;
    ElementRef sink = MakeAudioSink(target, HALVION_OUTPUT_NAME, noServer);
    if (!sink) {
        GST_ELEMENT_ERROR(self, CORE, MISSING_PLUGIN, ("No audio sink is installed."), (nullptr));
        return;
    }
    if (noServer) {
        GST_ELEMENT_WARNING(self, RESOURCE, OPEN_WRITE,
                            ("No sound server answers; the device plays silently."), (nullptr));
    }
    GstElement* serverSink = noServer ? nullptr : sink.get();
    chain.push_back(std::move(sink));
    state.audioChain = std::move(chain);
    if (!AttachChain(self, state.audioPad, state.audioChain)) {
        DetachAudio(self);
        return;
    }
    if (serverSink) {
        std::lock_guard soundGuard(state.soundLock);
        state.serverSink = Share(serverSink);
        // The chosen output may have come while the sink was being made.
        SteerSound(state);
    }
}

void DetachAudio(HalvionRenderer* self) {
    RendererState& state = *self->state;
    // The watch is stopped first and outside the sound lock: stopping waits for its thread, which may
    // be about to take that lock.
    if (state.outputWatch) {
        gst_device_monitor_stop(state.outputWatch.get());
        state.outputWatch.reset();
    }
    {
        std::lock_guard soundGuard(state.soundLock);
        state.serverSink.reset();
        state.outputs.clear();
        state.watching = false;
    }
    DetachChain(self, state.audioPad, state.audioChain);
}

// The sound server has come back, or a stand-in plays while none answered: the sink is made anew,
// since a sink that lost its server never connects again by itself (its connection is shared by
// every sink of its client name and stays dead until all of them close).
void ReopenAudio(HalvionRenderer* self) {
    std::lock_guard guard(self->state->lock);
    if (self->state->disposing || self->state->audioChain.empty()) {
        return;
    }
    DetachAudio(self);
    AttachAudio(self);
}

void OnLinked(GstPad* pad, GstPad*, gpointer data) {
    auto* self = HALVION_RENDERER(data);
    std::lock_guard guard(self->state->lock);
    if (self->state->disposing) {
        return;
    }
    if (pad == self->state->videoPad) {
        AttachVideo(self);
    } else {
        AttachAudio(self);
    }
}

void OnUnlinked(GstPad* pad, GstPad*, gpointer data) {
    auto* self = HALVION_RENDERER(data);
    std::lock_guard guard(self->state->lock);
    if (self->state->disposing) {
        return;
    }
    if (pad == self->state->videoPad) {
        DetachVideo(self);
    } else {
        DetachAudio(self);
    }
}

GstPadProbeReturn CountVideo(GstPad*, GstPadProbeInfo* info, gpointer data) {
    HALVION_RENDERER(data)->state->videoFrames += BuffersIn(info);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CountAudio(GstPad*, GstPadProbeInfo* info, gpointer data) {
    RendererState& state = *HALVION_RENDERER(data)->state;
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            GstAudioInfo audio;
            state.audioBytesPerFrame =
                gst_audio_info_from_caps(&audio, caps) ? GST_AUDIO_INFO_BPF(&audio) : 0;
        }
        return GST_PAD_PROBE_OK;
    }
    guint bytesPerFrame = state.audioBytesPerFrame;
    if (bytesPerFrame > 0) {
        state.audioSamples += BytesIn(info) / bytesPerFrame;
    }
    return GST_PAD_PROBE_OK;
}

GstPad* AddInput(HalvionRenderer* self, GstStaticPadTemplate* staticTemplate, GstPadProbeCallback counter,
                 GstPadProbeType events) {
    const GstRef<GstPadTemplate> padTemplate = Adopt(gst_static_pad_template_get(staticTemplate));
    GstPad* pad = gst_ghost_pad_new_no_target_from_template(staticTemplate->name_template, padTemplate.get());
    g_signal_connect(pad, "linked", G_CALLBACK(OnLinked), self);
    g_signal_connect(pad, "unlinked", G_CALLBACK(OnUnlinked), self);
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST | events),
        counter, self, nullptr);
    gst_element_add_pad(GST_ELEMENT(self), pad);
    return pad;
}

// The video sink asks for a window when it first gets caps. It gets the device's window, and the
// question stops here: the program answers such questions for its own video panel, and must not
// hand that panel to the device's sink.
void HandleMessage(GstBin* bin, GstMessage* message) {
    RendererState& state = *HALVION_RENDERER(bin)->state;
    GstElement* sink = state.videoSink;
    if (sink && GST_MESSAGE_SRC(message) == GST_OBJECT(sink) &&
        gst_is_video_overlay_prepare_window_handle_message(message)) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), state.windowHandle);
        // A bin's message handler owns the message it is given; this one goes no further.
        const MessageRef answered(message);
        return;
    }
    GST_BIN_CLASS(halvion_renderer_parent_class)->handle_message(bin, message);
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    RendererState& state = *HALVION_RENDERER(object)->state;
    std::lock_guard guard(state.lock);
    switch (id) {
    case PropMonitor: {
        const int monitor = g_value_get_int(value);
        if (monitor != state.placement.monitor) {
            state.placement.monitor = monitor;
            state.placementChanged = true;
        }
        break;
    }
    case PropFullscreen: {
        const bool fullscreen = g_value_get_boolean(value) != FALSE;
        if (fullscreen != state.placement.fullscreen) {
            state.placement.fullscreen = fullscreen;
            state.placementChanged = true;
        }
        break;
    }
    case PropAudioDevice: {
        const gchar* device = g_value_get_string(value);
        state.audioDevice = device ? device : "";
        std::lock_guard soundGuard(state.soundLock);
        state.chosenOutput = state.audioDevice;
        SteerSound(state);
        break;
    }
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

// GObject tells what one call changed once the call has set every property it names (its notifications
// are held until then): the window moves here, once, to the placement as the call left it.
void DispatchPropertiesChanged(GObject* object, guint count, GParamSpec** changed) {
    RendererState& state = *HALVION_RENDERER(object)->state;
    {
        std::lock_guard guard(state.lock);
        if (std::exchange(state.placementChanged, false)) {
            MoveOutput(HALVION_RENDERER(object));
        }
    }
    G_OBJECT_CLASS(halvion_renderer_parent_class)->dispatch_properties_changed(object, count, changed);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    RendererState& state = *HALVION_RENDERER(object)->state;
    switch (id) {
    case PropVideoFrames:
        g_value_set_uint64(value, state.videoFrames);
        return;
    case PropAudioSamples:
        g_value_set_uint64(value, state.audioSamples);
        return;
    default:
        break;
    }
    std::lock_guard guard(state.lock);
    switch (id) {
    case PropMonitor:
        g_value_set_int(value, state.placement.monitor);
        break;
    case PropFullscreen:
        g_value_set_boolean(value, state.placement.fullscreen);
        break;
    case PropAudioDevice:
        g_value_set_string(value, state.audioDevice.c_str());
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

// The bin removes its children before its pads are unlinked; the chains go first, while their
// elements are still there to stop.
void Dispose(GObject* object) {
    auto* self = HALVION_RENDERER(object);
    {
        std::lock_guard guard(self->state->lock);
        if (!self->state->disposing) {
            self->state->disposing = true;
            DetachVideo(self);
            DetachAudio(self);
        }
    }
    G_OBJECT_CLASS(halvion_renderer_parent_class)->dispose(object);
}

void Finalize(GObject* object) {
    delete HALVION_RENDERER(object)->state;
    G_OBJECT_CLASS(halvion_renderer_parent_class)->finalize(object);
}

} // namespace

static void halvion_renderer_init(HalvionRenderer* self) {
    self->state = new RendererState;
    self->state->videoPad = AddInput(self, &videoTemplate, CountVideo, GST_PAD_PROBE_TYPE_INVALID);
    DeinterlaceWhenInterlaced(GST_BIN(self), self->state->videoPad);
    self->state->audioPad = AddInput(self, &audioTemplate, CountAudio, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
}

static void halvion_renderer_class_init(HalvionRendererClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = SetProperty;
    objectClass->get_property = GetProperty;
    objectClass->dispatch_properties_changed = DispatchPropertiesChanged;
    objectClass->dispose = Dispose;
    objectClass->finalize = Finalize;
    GST_BIN_CLASS(klass)->handle_message = HandleMessage;

    const auto settable = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    const auto counter = static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        objectClass, PropMonitor,
        g_param_spec_int("monitor", "Monitor",
                         "The monitor the output window goes on, by its index in the X server's list; "
                         "a change moves a window already shown",
                         0, G_MAXINT, 0, settable));
    g_object_class_install_property(
        objectClass, PropFullscreen,
        g_param_spec_boolean("fullscreen", "Full screen",
                             "Whether the output window covers its monitor; a change applies at once", FALSE,
                             settable));
    g_object_class_install_property(
        objectClass, PropAudioDevice,
        g_param_spec_string("audio-device", "Audio device",
                            "The sound-server output the audio goes to; empty for the server's default", "",
                            settable));
    g_object_class_install_property(objectClass, PropVideoFrames,
                                    g_param_spec_uint64("video-frames", "Video frames",
                                                        "Video frames that arrived at Video-In", 0,
                                                        G_MAXUINT64, 0, counter));
    g_object_class_install_property(
        objectClass, PropAudioSamples,
        g_param_spec_uint64("audio-samples", "Audio samples",
                            "Audio samples (one per channel) that arrived at Audio-In", 0, G_MAXUINT64, 0,
                            counter));

    // Makes the sound's sink anew: for whoever saw the sound server come back (see ReopenAudio).
    signals[SignalReopenAudio] =
        g_signal_new_class_handler("reopen-audio", G_TYPE_FROM_CLASS(klass),
                                   static_cast<GSignalFlags>(G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION),
                                   G_CALLBACK(ReopenAudio), nullptr, nullptr, nullptr, G_TYPE_NONE, 0);

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &videoTemplate);
    gst_element_class_add_static_pad_template(elementClass, &audioTemplate);
    gst_element_class_set_static_metadata(elementClass, "Morrick Halvion Renderer Filter", "Sink/Video/Audio",
                                          "Plays video and audio on the Morrick Halvion output device",
                                          "Tarnwick developers");
}

gboolean halvion_renderer_register(GstPlugin* plugin) {
    return gst_element_register(plugin, "halvionrenderer", GST_RANK_NONE, HALVION_TYPE_RENDERER);
}
