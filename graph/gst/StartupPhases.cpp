// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/StartupPhases.h"

#include "core/StartupMarks.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <string>

namespace {

// Where the frames go after a flush is what a resumed start waits for, so the frames after each of
// the first few flushes are marked; after that the probe goes.
constexpr int FlushesFollowed = 3;

struct PadWatch {
    std::string role; // "video decoder in", "video sink", ...
    bool capsSeen = false;
    bool bufferSinceFlush = false;
    int flushes = 0;
};

std::string RoleOf(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return {};
    }
    const std::string name = GST_OBJECT_NAME(factory);
    const char* text = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    const std::string klass = text ? text : "";
    const auto has = [&klass](const char* part) { return klass.find(part) != std::string::npos; };
    if (name == "typefind") {
        return "type finder";
    }
    if (has("Bin")) {
        return {};
    }
    if (has("Source")) {
        return "source";
    }
    if (has("Demux")) {
        return "demuxer";
    }
    if (has("Parser")) {
        return has("Video") ? "video parser" : "audio parser";
    }
    if (has("Decoder")) {
        return has("Video") ? "video decoder" : "audio decoder";
    }
    if (has("Sink")) {
        return has("Video") ? "video sink" : "audio sink";
    }
    if (has("Video") && (has("Converter") || has("Scaler"))) {
        return "video converter";
    }
    return {};
}

// Runs on a streaming thread.
GstPadProbeReturn OnPadData(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto& watch = *static_cast<PadWatch*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        if (!watch.bufferSinceFlush) {
            watch.bufferSinceFlush = true;
            MarkStartupOnce(watch.role + (watch.flushes == 0
                                              ? " first buffer"
                                              : " buffer after flush " + std::to_string(watch.flushes)));
        }
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS && !watch.capsSeen) {
        watch.capsSeen = true;
        MarkStartupOnce(watch.role + " caps");
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        if (watch.flushes == FlushesFollowed) {
            return GST_PAD_PROBE_REMOVE;
        }
        ++watch.flushes;
        watch.bufferSinceFlush = false;
        MarkStartupOnce(watch.role + " flush " + std::to_string(watch.flushes));
    }
    return GST_PAD_PROBE_OK;
}

void WatchPad(GstElement* element, const char* padName, std::string role) {
    if (const PadRef pad = Adopt(gst_element_get_static_pad(element, padName))) {
        gst_pad_add_probe(pad.get(),
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                       GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                          OnPadData, new PadWatch{std::move(role)},
                          [](gpointer data) { delete static_cast<PadWatch*>(data); });
    }
}

// Runs on a streaming thread.
void OnTypeFound(GstElement*, guint, GstCaps* caps, gpointer) {
    const GstStructure* found = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    MarkStartupOnce(std::string("type found ") + (found ? gst_structure_get_name(found) : "?"));
}

// Runs on whichever thread adds the element, often a streaming thread.
void OnElementAdded(GstBin*, GstElement* element) {
    const std::string role = RoleOf(element);
    if (role.empty()) {
        return;
    }
    GstElementFactory* factory = gst_element_get_factory(element);
    MarkStartupOnce("added " + role + " " + GST_OBJECT_NAME(factory));
    if (role == "type finder") {
        g_signal_connect(element, "have-type", G_CALLBACK(OnTypeFound), nullptr);
    } else if (role == "video decoder") {
        WatchPad(element, "sink", "video decoder in:");
        WatchPad(element, "src", "video decoder out:");
    } else if (role == "video sink") {
        WatchPad(element, "sink", "video sink:");
    }
}

void OnDirectChildAdded(GstBin* bin, GstElement* element, gpointer) {
    OnElementAdded(bin, element);
}

void OnDeepElementAdded(GstBin*, GstBin* parent, GstElement* element, gpointer) {
    OnElementAdded(parent, element);
}

} // namespace

void WatchStartupPhases(GstElement* pipeline) {
    if (!StartupMarksOpen()) {
        return;
    }
    MarkStartupOnce("graph made");
    g_signal_connect(pipeline, "element-added", G_CALLBACK(OnDirectChildAdded), nullptr);
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(OnDeepElementAdded), nullptr);
}

void MarkStartupMessage(GstMessage* message) {
    if (!StartupMarksOpen()) {
        return;
    }
    static std::atomic<int> prerolls{0};
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE) {
        MarkStartupOnce("graph prerolled " + std::to_string(++prerolls));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED &&
               GST_IS_PIPELINE(GST_MESSAGE_SRC(message))) {
        GstState state = GST_STATE_NULL;
        gst_message_parse_state_changed(message, nullptr, &state, nullptr);
        if (state == GST_STATE_PLAYING) {
            MarkStartupOnce("graph playing");
        }
    }
}
