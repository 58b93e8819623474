// SPDX-License-Identifier: GPL-2.0-or-later
// The graph's picture: its window, the crop to what the owner shows, the build's held first picture,
// and a still picture made again after the window changed size.

#include "graph/gst/GraphPicture.h"

#include "graph/VisibleCrop.h"
#include "graph/gst/StandardRenderers.h"
#include "gstcommon/GstIteration.h"

#include <gst/video/videooverlay.h>

namespace {

constexpr gint64 NanosecondsPerUnit = 100;

} // namespace

GraphPicture::GraphPicture(PicturePipeline& pipeline) : pipeline_(pipeline) {
    windowHandle_ = window_.Handle();
}

HRESULT GraphPicture::SetOwner(std::uintptr_t owner) {
    if (!window_.Handle()) {
        return E_FAIL;
    }
    return window_.SetOwner(owner) ? S_OK : E_FAIL;
}

HRESULT GraphPicture::Place(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    // Only the computer's own renderer draws into the window: a picture that goes to the device, or
    // none at all, leaves the owner showing its own background rather than an empty or stale window.
    if (PadRef sinkPad = Adopt(StandardVideoSinkPad(pipeline_.Pipeline())); !sinkPad) {
        window_.Hide();
        return S_OK;
    }
    const std::int32_t frameWidth = FrameWidth();
    const std::int32_t frameHeight = FrameHeight();
    bool cropChanged = false;
    const PixelRect shown = ApplyVisibleCrop(pipeline_.Pipeline(), {left, top, width, height}, frameWidth,
                                             frameHeight, cropChanged);
    const bool sizeChanged = shown.width != window_.Width() || shown.height != window_.Height();
    if (!window_.SetPosition(shown.left, shown.top, shown.width, shown.height)) {
        return E_FAIL;
    }
    // A new crop changes the picture as a new size does: the still picture is made again.
    Refresh(sizeChanged || cropChanged);
    return S_OK;
}

void GraphPicture::PlaceAhead(VideoPlacementRule rule) {
    std::lock_guard guard(lock_);
    placeAhead_ = std::move(rule);
}

void GraphPicture::SizeWindowAhead(GstPad* decoded, GstElement* renderer) {
    VideoPlacementRule placeAhead;
    {
        std::lock_guard guard(lock_);
        placeAhead = placeAhead_;
    }
    CapsRef caps(gst_pad_get_current_caps(decoded));
    const GstStructure* format =
        caps && !gst_caps_is_empty(caps.get()) ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    gint width = 0;
    gint height = 0;
    if (!placeAhead || !windowHandle_ || !format || !gst_structure_get_int(format, "width", &width) ||
        !gst_structure_get_int(format, "height", &height)) {
        return;
    }
    bool cropChanged = false;
    const PixelRect place = ApplyVisibleCrop(renderer, placeAhead(width, height), width, height, cropChanged);
    if (place.width <= 0 || place.height <= 0 || !window_.SizeWhileHidden(place.width, place.height)) {
        return;
    }
    pictureUnshown_ = true;
    // Given its window now, the sink prefers the window's size from its first negotiation on; asked
    // for a window only later, it would make its first picture at the frame's own size.
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(renderer)))) {
        if (IsStandardVideoSink(GST_OBJECT(element.get())) && GST_IS_VIDEO_OVERLAY(element.get())) {
            gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(element.get()), windowHandle_.load());
        }
    }
}

void GraphPicture::NoteVideoPad(GstPad* pad) {
    std::lock_guard guard(lock_);
    if (!videoPad_) {
        videoPad_ = Share(pad);
    }
}

void GraphPicture::ForgetVideoPadOf(GstElement* element) {
    std::lock_guard guard(lock_);
    if (videoPad_) {
        GstRef<GstElement> owner = Adopt(gst_pad_get_parent_element(videoPad_.get()));
        if (owner.get() == element) {
            videoPad_.reset();
        }
    }
}

std::int32_t GraphPicture::FrameDimension(const char* name) {
    std::lock_guard guard(lock_);
    CapsRef caps(videoPad_ ? gst_pad_get_current_caps(videoPad_.get()) : nullptr);
    gint value = 0;
    if (caps && gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), name, &value)) {
        return value;
    }
    return 0;
}

// The build's first picture, held back before the renderer, goes through now, and the graph waits
// until the renderer has it: a run then starts with the picture already in the window, not a sink's
// latency and a frame later, and a pause shows it as the pause begins. It is converted only now, at
// the window's size, so there is nothing stale to make again.
void GraphPicture::LetHeldPictureThrough() {
    if (!firstPicture_.Holding()) {
        firstPicture_.Release();
        return;
    }
    pipeline_.BeginHeldPictureWait();
    stale_ = false;
    firstPicture_.Release();
    pipeline_.WaitForHeldPicture();
}

void GraphPicture::ForgetBuild() {
    {
        std::lock_guard guard(lock_);
        videoPad_.reset();
    }
    firstPicture_.Reset();
}

void GraphPicture::RemakeStalePicture() {
    ShowUnshownPicture();
    // Only a picture standing still is made again, and not while the pipeline is on its way to it
    // (a held first picture keeps it so): running, the next frame comes at the new size anyway.
    if (stale_ && pipeline_.StandsStillSettled()) {
        pipeline_.Reseek();
    }
}

void GraphPicture::ShowUnshownPicture() {
    if (!pictureUnshown_.exchange(false)) {
        return;
    }
    PadRef sinkPad = Adopt(StandardVideoSinkPad(pipeline_.Pipeline()));
    GstRef<GstElement> sink = sinkPad ? Adopt(gst_pad_get_parent_element(sinkPad.get())) : nullptr;
    if (sink && GST_IS_VIDEO_OVERLAY(sink.get())) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
}

MediaTime GraphPicture::ShownTime() {
    PadRef sinkPad = Adopt(StandardVideoSinkPad(pipeline_.Pipeline()));
    GstRef<GstElement> sink = sinkPad ? Adopt(gst_pad_get_parent_element(sinkPad.get())) : nullptr;
    if (!sink || !g_object_class_find_property(G_OBJECT_GET_CLASS(sink.get()), "last-sample")) {
        return -1;
    }
    SampleRef sample;
    g_object_get(sink.get(), "last-sample", static_cast<GstSample**>(OutParam(sample)), nullptr);
    if (!sample) {
        return -1;
    }
    const GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    const GstSegment* segment = gst_sample_get_segment(sample.get());
    guint64 time = GST_CLOCK_TIME_NONE;
    if (buffer && segment && segment->format == GST_FORMAT_TIME && GST_BUFFER_PTS_IS_VALID(buffer)) {
        time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    }
    return GST_CLOCK_TIME_IS_VALID(time) ? static_cast<MediaTime>(time / NanosecondsPerUnit) : -1;
}

GstPad* GraphPicture::StandardVideoSinkPad(GstElement* pipeline) {
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(pipeline)))) {
        if (IsStandardVideoSink(GST_OBJECT(element.get()))) {
            return gst_element_get_static_pad(element.get(), "sink");
        }
    }
    return nullptr;
}

PixelRect GraphPicture::ApplyVisibleCrop(GstElement* within, const PixelRect& placed, gint frameWidth,
                                         gint frameHeight, bool& changed) {
    changed = false;
    ElementRef crop;
    for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(within)))) {
        if (IsStandardVideoCrop(GST_OBJECT(element.get()))) {
            crop = Share(element.get());
        }
    }
    int ownerWidth = 0;
    int ownerHeight = 0;
    if (!crop || !window_.OwnerSize(ownerWidth, ownerHeight)) {
        return placed;
    }
    const VisibleCrop visible = CropToOwner(placed, ownerWidth, ownerHeight, frameWidth, frameHeight);
    SourceCrop current;
    g_object_get(crop.get(), "left", &current.left, "top", &current.top, "right", &current.right, "bottom",
                 &current.bottom, nullptr);
    if (current != visible.crop) {
        // Set while frames flow, the crop asks the scaler downstream to negotiate again itself.
        g_object_set(crop.get(), "left", visible.crop.left, "top", visible.crop.top, "right",
                     visible.crop.right, "bottom", visible.crop.bottom, nullptr);
        changed = true;
    }
    return visible.window;
}

// A software video sink draws frames at the size they were negotiated at. After the window changed
// size the stream is asked to negotiate again (the sink prefers its window's size), and a stopped or
// paused picture is made again at the new size; otherwise the sink only draws its last frame again.
void GraphPicture::Refresh(bool sizeChanged) {
    PadRef sinkPad = Adopt(StandardVideoSinkPad(pipeline_.Pipeline()));
    if (!sinkPad) {
        return;
    }
    GstRef<GstElement> sink = Adopt(gst_pad_get_parent_element(sinkPad.get()));
    const bool overlay = sink && GST_IS_VIDEO_OVERLAY(sink.get());
    if (sizeChanged && overlay) {
        // The sink learns its window's new size from its own X events, some time later; an expose
        // makes it read the size now, so that the picture made again below is made at that size and
        // not at the old one (the first picture would otherwise wait for playback to reach a frame).
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
    if (sizeChanged) {
        gst_pad_push_event(sinkPad.get(), gst_event_new_reconfigure());
        // A graph just built stands still at a picture made before its window had a size, and
        // mostly seeks or runs straight away: making the picture again now would preroll twice
        // before a seek. A seek makes it at the new size anyway, a run makes it first, and one that
        // stays still has it made again on the next look at its positions.
        stale_ = true;
        pictureUnshown_ = false;
    }
    if (overlay && !pictureUnshown_) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink.get()));
    }
}
