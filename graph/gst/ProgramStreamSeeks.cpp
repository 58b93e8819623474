// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/ProgramStreamSeeks.h"

#include "gstcommon/GstHandles.h"

#include <algorithm>
#include <cstring>
#include <mutex>

struct ProgramStreamSeeks::Shared {
    std::mutex lock;
    // The decoding bin whose demuxer this is; a demuxer of an older bin is not ours any more.
    GstElement* decodeBin = nullptr;
    bool demuxerFound = false;
    // The start the demuxer was last asked for, and where its segment must start instead.
    guint64 asked = GST_CLOCK_TIME_NONE;
    guint64 wanted = GST_CLOCK_TIME_NONE;
};

namespace {

template <typename T> gpointer Keep(const std::shared_ptr<T>& shared) {
    return new std::shared_ptr<T>(shared);
}

template <typename T> std::shared_ptr<T>& Kept(gpointer data) {
    return *static_cast<std::shared_ptr<T>*>(data);
}

bool IsProgramStreamDemuxer(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && std::strcmp(GST_OBJECT_NAME(factory), "mpegpsdemux") == 0;
}

} // namespace

ProgramStreamSeeks::ProgramStreamSeeks() : shared_(std::make_shared<Shared>()) {}

void ProgramStreamSeeks::Watch(GstElement* decodeBin) {
    {
        std::lock_guard guard(shared_->lock);
        shared_->decodeBin = decodeBin;
        shared_->demuxerFound = false;
        shared_->asked = shared_->wanted = GST_CLOCK_TIME_NONE;
    }
    g_signal_connect_data(
        decodeBin, "deep-element-added", G_CALLBACK(&ProgramStreamSeeks::OnElementAdded), Keep(shared_),
        [](gpointer data, GClosure*) { delete &Kept<Shared>(data); }, GConnectFlags(0));
}

guint64 ProgramStreamSeeks::StartFor(guint64 target) {
    std::lock_guard guard(shared_->lock);
    if (!shared_->demuxerFound || target == 0) {
        shared_->asked = shared_->wanted = GST_CLOCK_TIME_NONE;
        return target;
    }
    shared_->asked = target > Lead ? target - Lead : 0;
    shared_->wanted = target;
    return shared_->asked;
}

// Runs on whichever thread the decoding bin adds its elements on.
void ProgramStreamSeeks::OnElementAdded(GstBin* decodeBin, GstBin*, GstElement* element, gpointer data) {
    if (!IsProgramStreamDemuxer(element)) {
        return;
    }
    std::shared_ptr<Shared>& shared = Kept<Shared>(data);
    {
        std::lock_guard guard(shared->lock);
        if (shared->decodeBin != GST_ELEMENT(decodeBin)) {
            return;
        }
        shared->demuxerFound = true;
    }
    g_signal_connect_data(
        element, "pad-added", G_CALLBACK(&ProgramStreamSeeks::OnDemuxerPadAdded), Keep(shared),
        [](gpointer kept, GClosure*) { delete &Kept<Shared>(kept); }, GConnectFlags(0));
}

// Runs on the demuxer's streaming thread.
void ProgramStreamSeeks::OnDemuxerPadAdded(GstElement*, GstPad* pad, gpointer data) {
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &ProgramStreamSeeks::OnDemuxerEvent,
                      Keep(Kept<Shared>(data)), [](gpointer kept) { delete &Kept<Shared>(kept); });
}

GstPadProbeReturn ProgramStreamSeeks::OnDemuxerEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
        return GST_PAD_PROBE_OK;
    }
    const GstSegment* original = nullptr;
    gst_event_parse_segment(event, &original);
    Shared& shared = *Kept<Shared>(data);
    guint64 wanted = GST_CLOCK_TIME_NONE;
    {
        std::lock_guard guard(shared.lock);
        if (original->format != GST_FORMAT_TIME || original->rate <= 0 || shared.asked != original->start ||
            shared.wanted <= original->start) {
            return GST_PAD_PROBE_OK;
        }
        wanted = shared.wanted;
    }
    // The stream time keeps its relation to the timestamps; playback's running time starts at the
    // target, and what comes before it is decoded but not shown or heard.
    GstSegment segment;
    gst_segment_copy_into(original, &segment);
    segment.time += wanted - segment.start;
    segment.start = wanted;
    segment.position = std::max<guint64>(segment.position, wanted);
    GstEvent* replaced = gst_event_new_segment(&segment);
    gst_event_set_seqnum(replaced, gst_event_get_seqnum(event));
    // The probe owns the event it was given, and hands the pad the one that replaces it.
    const EventRef given(event);
    GST_PAD_PROBE_INFO_DATA(info) = replaced;
    return GST_PAD_PROBE_OK;
}
