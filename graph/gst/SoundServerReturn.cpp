// SPDX-License-Identifier: GPL-2.0-or-later
// The sound server that goes away and comes back (PulseAudio and PipeWire both restart on updates
// and crashes), or that was not there when the sinks opened. A sound-server sink never reconnects by
// itself, so the graph opens the sinks anew once the server answers, and takes playback on from the
// place it stood. It looks for the server on the window's event loop, never when it is read: a read
// that connected, paused and waited would hold the window's tick, a skip and every MPRIS property
// read, also inside a modal box. The connect attempt itself runs on a thread of its own.
//
// While the server is away playback waits at the place it reached, the picture standing, and goes on
// from there with the sound. (A server that was not there when the file opened is another matter: the
// file plays in silence as it always did, and the sound joins it where it has got to.)

#include "graph/GraphWait.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/GstGraphLog.h"
#include "gstcommon/GstIteration.h"

#include <utility>

#define GST_CAT_DEFAULT tarnwick_graph_debug

namespace {

// How often an absent server is asked for, and how soon an answer is taken: the sound is back within
// these and the reopening.
constexpr std::chrono::milliseconds ServerCheckEvery{250};
constexpr std::chrono::milliseconds AnswerLookEvery{50};
// How long the pipeline may take to stand still around the sinks' reopening: the whole return must
// fit in two seconds.
constexpr std::chrono::milliseconds SettleDeadline{700};
constexpr gint64 NanosecondsPerUnit = 100;

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

// The standard renderer's automatic sink is replaced by a new one, which chooses its sink anew: a
// sound-server sink when the server answers, else its silent stand-in. Cycled through NULL in place
// instead, the old one left the pipeline waiting for a preroll it had already made.
void ReplaceAutomaticSink(GstElement* old) {
    const GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(old)));
    const PadRef input = Adopt(gst_element_get_static_pad(old, "sink"));
    const PadRef upstream = input ? Adopt(gst_pad_get_peer(input.get())) : nullptr;
    const ElementRef made = Share(gst_element_factory_make("autoaudiosink", nullptr));
    if (!parent || !GST_IS_BIN(parent.get()) || !upstream || !made) {
        return;
    }
    gst_element_set_locked_state(old, TRUE);
    gst_element_set_state(old, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(parent.get()), old);
    gst_bin_add(GST_BIN(parent.get()), made.get());
    const PadRef madeInput = Adopt(gst_element_get_static_pad(made.get(), "sink"));
    if (gst_pad_link(upstream.get(), madeInput.get()) != GST_PAD_LINK_OK) {
        GST_WARNING_OBJECT(parent.get(), "the new sound sink could not be linked");
    }
    gst_element_sync_state_with_parent(made.get());
}

} // namespace

// The pipeline posts the end of its change of state, which wakes the wait.
void GstFilterGraph::SettleWithin(std::chrono::milliseconds deadline) {
    WaitOnBus(deadline, [this] { return StateSettled(); });
}

bool GstFilterGraph::NoteSoundServerAway(GstMessage* message, const GError* problem) {
    if (!problem || problem->domain != GST_RESOURCE_ERROR) {
        return false;
    }
    GstObject* source = GST_MESSAGE_SRC(message);
    const bool serverSink = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && MadeBy(source, "pulsesink");
    // A sink already replaced still posts what failed while it was being taken out: that says nothing
    // of the server now.
    if (serverSink && !gst_object_has_as_ancestor(source, GST_OBJECT(Pipeline()))) {
        return true;
    }
    // A server sink that lost its server says so with an error; the standard renderer and the
    // device's put a silent stand-in in its place when none answered, and warn.
    const bool lost = serverSink;
    const bool standIn = GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING &&
                         (MadeBy(source, "autoaudiosink") ||
                          (GST_IS_ELEMENT(source) && IsDeviceRenderer(GST_ELEMENT(source))));
    if (!lost && !standIn) {
        return false;
    }
    if (!soundAway_) {
        GST_WARNING_OBJECT(Pipeline(), "no sound server (%s): waiting for one", problem->message);
    }
    soundAway_ = true;
    WatchForSoundServer();
    // A sink that lost its server holds its stream up; a stand-in lets it flow.
    standInsPlay_ = standIn;
    return true;
}

void GstFilterGraph::WatchForSoundServer() {
    if (soundCheck_) {
        return;
    }
    soundCheck_ = g_timeout_source_new(static_cast<guint>(AnswerLookEvery.count()));
    g_source_set_callback(soundCheck_, &GstFilterGraph::OnSoundServerCheck, this, nullptr);
    g_source_attach(soundCheck_, nullptr);
}

// A check still on its way is waited for here: it only connects and lets go.
void GstFilterGraph::StopWatchingForSoundServer() {
    if (soundCheck_) {
        g_source_destroy(soundCheck_);
        g_source_unref(soundCheck_);
        soundCheck_ = nullptr;
    }
    if (serverAnswers_.valid()) {
        serverAnswers_.wait();
        serverAnswers_ = {};
    }
}

gboolean GstFilterGraph::OnSoundServerCheck(gpointer self) {
    auto* graph = static_cast<GstFilterGraph*>(self);
    // A graph's wait takes its own turn: the reopening waits for the pipeline too.
    if (!GraphWait::Underway()) {
        graph->BringSoundBack();
    }
    return G_SOURCE_CONTINUE;
}

// Runs on the window's event loop while the server is away: takes the answer of the last check, and
// starts the next one ServerCheckEvery after the last.
void GstFilterGraph::BringSoundBack() {
    if (!soundAway_) {
        StopWatchingForSoundServer();
        return;
    }
    // Not while a seek is on its way: the sinks' reopening seeks too. The next look tries again.
    if (transport_.Broken() || Empty() || transport_.Seeking()) {
        return;
    }
    if (serverAnswers_.valid() &&
        serverAnswers_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return;
    }
    const bool asked = serverAnswers_.valid();
    const bool answers = asked && serverAnswers_.get();
    if (const auto now = std::chrono::steady_clock::now(); !answers && now >= nextServerCheck_) {
        nextServerCheck_ = now + ServerCheckEvery;
        serverAnswers_ = std::async(std::launch::async, SoundServerAnswers);
    }
    if (!asked || (!answers && standInsPlay_)) {
        return;
    }
    // Without a server the sinks that lost it make way for silent stand-ins at once, so that none
    // holds a dead connection; with one, the sinks open on it.
    soundAway_ = !answers;
    standInsPlay_ = !answers;
    ReopenSoundSinks();
    if (!soundAway_) {
        StopWatchingForSoundServer();
    }
}

void GstFilterGraph::ReopenSoundSinks() {
    const MediaTime place = position_.Current();
    GST_WARNING_OBJECT(Pipeline(), "the sound sinks open anew at %" GST_TIME_FORMAT,
                       GST_TIME_ARGS(place * NanosecondsPerUnit));
    // A seek like any other, which runs the pipeline again after it when the graph runs.
    transport_.SeekBegins(host_.Bus().LastSerial());
    // Paused first, so that the new sinks open into a pipeline that stands still and prerolls at the
    // place, rather than one running on from where the old sinks stopped.
    gst_element_set_state(Pipeline(), GST_STATE_PAUSED);
    SettleWithin(SettleDeadline);
    for (const ElementRef& element : ChildrenInOrder(GST_BIN(Pipeline()))) {
        if (IsDeviceRenderer(element.get())) {
            g_signal_emit_by_name(element.get(), "reopen-audio");
        }
    }
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(Pipeline())))) {
        if (MadeBy(GST_OBJECT(element.get()), "autoaudiosink")) {
            ReplaceAutomaticSink(element.get());
        }
    }
    // The seek restarts the streams the lost sinks had stopped. It is not waited for: a sink added to
    // a standing bin does not always make the pipeline announce its preroll, and running again
    // completes once every sink has prerolled in any case.
    position_.Seek(place);
    SendSeek(SeekWait::None);
}
