// SPDX-License-Identifier: GPL-2.0-or-later
// The sound server that goes away and comes back (PulseAudio and PipeWire both restart on updates
// and crashes), or that was not there when the sinks opened. A sound-server sink never reconnects by
// itself, so the graph, which already answers for the positions, opens the sinks anew once the server
// answers, and takes playback on from the place it stood.
//
// While the server is away playback waits: the sink that lost it stops taking data, which holds
// back the demuxer and with it the picture; a picture going on would leave the sound behind it.

#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstIteration.h"

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

// How often an absent server is asked for: the sound is back within this and one timer tick.
constexpr std::chrono::milliseconds ServerCheckEvery{250};

bool MadeBy(GstObject* object, const char* factoryName) {
    if (!GST_IS_ELEMENT(object)) {
        return false;
    }
    GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(object));
    return factory && g_strcmp0(GST_OBJECT_NAME(factory), factoryName) == 0;
}

bool IsDeviceRenderer(GstElement* element) {
    return g_signal_lookup("reopen-audio", G_OBJECT_TYPE(element)) != 0;
}

// Whether a sound server answers now. The check announces itself under a name of its own: sinks of
// one client name share one connection, and one that died stays dead while any of them is open.
bool SoundServerAnswers() {
    const ElementRef check = Share(gst_element_factory_make("pulsesink", nullptr));
    if (!check) {
        return false;
    }
    g_object_set(check.get(), "client-name", "Tarnwick sound server check", nullptr);
    const bool answers = gst_element_set_state(check.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(check.get(), GST_STATE_NULL);
    return answers;
}

} // namespace

void GstFilterGraph::SetDeviceSoundOutput(const std::string& name) {
    deviceSoundOutput_ = name;
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(pipeline_.get()))) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element.get()), "audio-device")) {
            g_object_set(element.get(), "audio-device", name.c_str(), nullptr);
        }
    }
}

bool GstFilterGraph::NoteSoundServerAway(GstMessage* message, const GError* problem) {
    if (!problem || problem->domain != GST_RESOURCE_ERROR) {
        return false;
    }
    GstObject* source = GST_MESSAGE_SRC(message);
    // A server sink that lost its server says so with an error; the standard renderer and the
    // device's put a silent stand-in in its place when none answered, and warn.
    const bool lost = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && MadeBy(source, "pulsesink");
    const bool standIn = GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING &&
                         (MadeBy(source, "autoaudiosink") ||
                          (GST_IS_ELEMENT(source) && IsDeviceRenderer(GST_ELEMENT(source))));
    if (!lost && !standIn) {
        return false;
    }
    if (!soundAway_) {
        GST_WARNING_OBJECT(pipeline_.get(), "no sound server (%s): waiting for one", problem->message);
    }
    soundAway_ = true;
    return true;
}

void GstFilterGraph::BringSoundBack() {
    if (!soundAway_ || transport_ == Transport::Broken || Empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < nextServerCheck_) {
        return;
    }
    nextServerCheck_ = now + ServerCheckEvery;
    if (!SoundServerAnswers()) {
        return;
    }
    soundAway_ = false;
    const MediaTime place = position_.Current();
    GST_WARNING_OBJECT(pipeline_.get(),
                       "the sound server answers: the sound sinks open anew at %" GST_TIME_FORMAT,
                       GST_TIME_ARGS(place * 100));
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &state, &pending, 0);
    const bool playing = (pending == GST_STATE_VOID_PENDING ? state : pending) == GST_STATE_PLAYING;
    // Paused first, so the new sinks open into a pipeline that prerolls at the place rather than one
    // that runs on the old running time.
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(pipeline_.get()))) {
        if (IsDeviceRenderer(element.get())) {
            g_signal_emit_by_name(element.get(), "reopen-audio");
        }
    }
    // The standard renderer's automatic sink chooses its sink again when it opens.
    for (const ElementRef& element :
         CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(pipeline_.get())))) {
        if (MadeBy(GST_OBJECT(element.get()), "autoaudiosink")) {
            gst_element_set_state(element.get(), GST_STATE_NULL);
            gst_element_sync_state_with_parent(element.get());
        }
    }
    position_.Seek(place);
    Reseek();
    if (playing) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
}
