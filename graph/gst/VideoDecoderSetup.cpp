// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/VideoDecoderSetup.h"

#include "graph/gst/CatchUpSkipping.h"
#include "graph/gst/CatchUpThreads.h"
#include "gstcommon/GstHandles.h"

namespace {

// Full HD at 30 frames a second, with the 1088 lines an H.264 stream codes.
constexpr double OneThreadPixelRate = 1920.0 * 1088.0 * 30.0;

constexpr const char* ThreadsProperty = "max-threads";
constexpr const char* DirectRenderingProperty = "direct-rendering";

GstPadProbeReturn SetUpFromCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    const GstStructure* stream = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    int width = 0;
    int height = 0;
    int numerator = 0;
    int denominator = 1;
    // A catch-up's caps come with its threads set.
    if (CatchUpCaps(caps)) {
        return GST_PAD_PROBE_OK;
    }
    if (!stream || !gst_structure_get_int(stream, "width", &width) ||
        !gst_structure_get_int(stream, "height", &height)) {
        return GST_PAD_PROBE_OK;
    }
    // A stream that does not say its rate (variable, or not yet known) is taken at 30.
    double rate = 30.0;
    if (gst_structure_get_fraction(stream, "framerate", &numerator, &denominator) && numerator > 0 &&
        denominator > 0) {
        rate = static_cast<double>(numerator) / denominator;
    }
    if (const ElementRef decoder = Adopt(gst_pad_get_parent_element(pad))) {
        const VideoDecoderSetup setup = VideoDecoderSetupFor(width, height, rate);
        g_object_set(decoder.get(), ThreadsProperty, setup.threads, nullptr);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(decoder.get()), DirectRenderingProperty)) {
            g_object_set(decoder.get(), DirectRenderingProperty, setup.directRendering ? TRUE : FALSE,
                         nullptr);
        }
    }
    return GST_PAD_PROBE_OK;
}

// Runs on whichever thread the decoding bin adds its elements on.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer data) {
    const GstClockTime positionAhead = *static_cast<GstClockTime*>(data);
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !g_strrstr(klass, "Decoder") || !g_strrstr(klass, "Video")) {
        return;
    }
    const PadRef input = Adopt(gst_element_get_static_pad(element, "sink"));
    if (!input) {
        return;
    }
    SkipUnshownUnreferencedPictures(input.get());
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), ThreadsProperty)) {
        // Added after the setup from the caps, whose threads it may change.
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, SetUpFromCaps, nullptr, nullptr);
        DecodeCatchUpsOnBothCores(input.get(), positionAhead);
    }
}

} // namespace

VideoDecoderSetup VideoDecoderSetupFor(int width, int height, double framesPerSecond) {
    const double pixelRate = static_cast<double>(width) * height * framesPerSecond;
    const bool upToFullHd = pixelRate > 0 && pixelRate <= OneThreadPixelRate;
    return {upToFullHd ? 1 : 0, !upToFullHd};
}

void SetUpVideoDecoders(GstElement* decodeBin, GstClockTime positionAhead) {
    g_signal_connect_data(
        decodeBin, "deep-element-added", G_CALLBACK(OnElementAdded), new GstClockTime(positionAhead),
        [](gpointer data, GClosure*) { delete static_cast<GstClockTime*>(data); }, GConnectFlags(0));
}
