// SPDX-License-Identifier: GPL-2.0-or-later
// The GStreamer graph below the playback object: pins, sources, and its problem list. The contract it
// shares with the fake graph is in GraphContractTest.cpp.

#include "core/StartupMarks.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/VideoDecoderSetup.h"
#include "gstcommon/GstIteration.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <gmock/gmock.h>
#include <thread>

namespace {

class GstGraphTest : public GstPlaybackTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Succeeded(gst.Initialize()));
        ASSERT_EQ(gst.CreateFilterGraph(graph), S_OK);
    }
    std::shared_ptr<IBaseFilter> Device() {
        std::shared_ptr<IBaseFilter> device;
        EXPECT_EQ(gst.CreateDeviceRenderer(device), S_OK);
        return device;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        std::shared_ptr<IEnumFilters> filters;
        graph->EnumFilters(filters);
        for (std::shared_ptr<IBaseFilter> filter; filters->Next(filter) == S_OK; filter.reset()) {
            FilterInfo info;
            filter->QueryFilterInfo(info);
            names.push_back(info.Name);
        }
        return names;
    }

    GstGraphSystem gst;
    std::shared_ptr<IGraphBuilder> graph;
};

TEST_F(GstGraphTest, PinsAreFoundByIdAndKnowWhatTheyAreJoinedTo) {
    const auto device = Device();
    ASSERT_EQ(graph->AddFilter(device, DeviceRendererName), S_OK);
    std::shared_ptr<IPin> videoIn;
    std::shared_ptr<IPin> audioIn;
    std::shared_ptr<IPin> none;
    EXPECT_EQ(device->FindPin(DeviceVideoPinId, videoIn), S_OK);
    EXPECT_EQ(device->FindPin(DeviceAudioPinId, audioIn), S_OK);
    EXPECT_EQ(device->FindPin("Subtitle-In", none), VFW_E_NOT_FOUND);
    PinDirection direction = PinDirection::Output;
    videoIn->QueryDirection(direction);
    EXPECT_EQ(direction, PinDirection::Input);
    std::shared_ptr<IPin> peer;
    EXPECT_EQ(videoIn->ConnectedTo(peer), VFW_E_NOT_CONNECTED);

    std::shared_ptr<IBaseFilter> source;
    ASSERT_EQ(graph->AddSourceFilter(Clip(".mkv"), SourceFilterName, source), S_OK);
    std::shared_ptr<IEnumPins> pins;
    source->EnumPins(pins);
    std::shared_ptr<IPin> output;
    ASSERT_EQ(pins->Next(output), S_OK);
    // Two inputs of the wrong kind cannot be joined.
    EXPECT_TRUE(Failed(graph->Connect(audioIn, videoIn)));
    EXPECT_TRUE(Succeeded(graph->Render(output)));
    EXPECT_EQ(graph->Render(output), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(videoIn->ConnectedTo(peer), S_OK);
    peer->QueryDirection(direction);
    EXPECT_EQ(direction, PinDirection::Output);
}

TEST_F(GstGraphTest, ASourceIsRefusedForWhatIsNoFile) {
    std::shared_ptr<IBaseFilter> source;
    EXPECT_TRUE(Failed(graph->AddSourceFilter("", SourceFilterName, source)));
    EXPECT_TRUE(Failed(graph->AddSourceFilter("/nonexistent/clip.avi", SourceFilterName, source)));
    EXPECT_TRUE(Failed(graph->AddSourceFilter("/tmp", SourceFilterName, source)));
    EXPECT_EQ(source, nullptr);
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(Failed(graph->RenderFile("")));
    // An empty graph has nothing to play: it stands at its end, both positions 0.
    MediaTime current = -1;
    MediaTime stop = -1;
    std::shared_ptr<IMediaSeeking> seeking;
    graph->QueryInterface(seeking);
    EXPECT_EQ(seeking->GetPositions(current, stop), S_OK);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(stop, 0);
}

// A converter caught by a seek's flush while negotiating again warns, harmlessly; the same words from
// anything else, or a negotiation that fails for good (an error), are kept.
TEST_F(GstGraphTest, OnlyARenegotiationCutByAFlushGoesUnreported) {
    const auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
    ASSERT_TRUE(filterGraph);
    GstElement* scale = gst_element_factory_make("videoscale", "scale");
    GstElement* sink = gst_element_factory_make("fakesink", "sink");
    ASSERT_TRUE(scale && sink);
    gst_bin_add_many(GST_BIN(filterGraph->Pipeline()), scale, sink, nullptr);
    const auto post = [](GstElement* from, bool error, GQuark domain, gint code) {
        GError* problem = g_error_new_literal(domain, code, "not negotiated");
        gst_element_post_message(from, error ? gst_message_new_error(GST_OBJECT(from), problem, nullptr)
                                             : gst_message_new_warning(GST_OBJECT(from), problem, nullptr));
        g_error_free(problem);
    };
    post(scale, false, GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT);
    post(scale, false, GST_CORE_ERROR, GST_CORE_ERROR_NEGOTIATION);
    post(sink, false, GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT);
    post(scale, true, GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT);
    EXPECT_THAT(filterGraph->Problems(), testing::ElementsAre("warning from scale: not negotiated",
                                                              "warning from sink: not negotiated",
                                                              "error from scale: not negotiated"));
}

// A chain that cannot agree on a format at all stops with an error, which is reported.
TEST_F(GstGraphTest, ANegotiationThatFailsForGoodIsReportedAsAnError) {
    const auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
    ASSERT_TRUE(filterGraph);
    GstElement* chain = gst_parse_bin_from_description("videotestsrc num-buffers=5 ! video/x-raw,format=I420 "
                                                       "! videoscale ! video/x-raw,format=BGRx ! fakesink",
                                                       FALSE, nullptr);
    ASSERT_NE(chain, nullptr);
    gst_bin_add(GST_BIN(filterGraph->Pipeline()), chain);
    gst_element_set_state(filterGraph->Pipeline(), GST_STATE_PLAYING);
    std::vector<std::string> problems;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (problems.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        problems = filterGraph->Problems();
    }
    gst_element_set_state(filterGraph->Pipeline(), GST_STATE_NULL);
    EXPECT_THAT(problems, Contains(testing::StartsWith("error from ")));
}

// The decoders' plugin takes longest to load; it can be loaded in the background before any graph
// asks for a decoder.
TEST_F(GstGraphTest, TheDecodersArePreloadedBeforeAnyGraphNeedsThem) {
    PreloadPlaybackPlugins();
    GstPlugin* libav = gst_registry_find_plugin(gst_registry_get(), "libav");
    ASSERT_NE(libav, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!gst_plugin_is_loaded(libav) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gst_plugin_is_loaded(libav));
    gst_object_unref(libav);
}

// A full HD stream decodes on one thread, which holds fewer frames and spends less CPU handing them
// between threads, and has its frames copied out, which frees the decoder's own pool; a larger or
// faster stream keeps the decoder's own choice of threads and decodes into the pool downstream.
TEST_F(GstGraphTest, AVideoDecoderIsSetUpForItsStream) {
    struct Stream {
        int width;
        int height;
        double rate;
        VideoDecoderSetup setup;
    };
    for (const Stream& stream : {Stream{320, 240, 25, {1, false}}, Stream{1920, 1080, 30, {1, false}},
                                 Stream{1920, 1088, 25, {1, false}}, Stream{1920, 1080, 60, {0, true}},
                                 Stream{3840, 2160, 25, {0, true}}, Stream{0, 0, 25, {0, true}}}) {
        const VideoDecoderSetup setup = VideoDecoderSetupFor(stream.width, stream.height, stream.rate);
        EXPECT_TRUE(setup == stream.setup)
            << stream.width << " x " << stream.height << " at " << stream.rate << ": " << setup.threads
            << " threads, direct rendering " << setup.directRendering;
    }

    // The settings must reach the decoder the decoding bin makes, before it opens its codec.
    const auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
    ASSERT_TRUE(filterGraph);
    ASSERT_TRUE(Succeeded(graph->RenderFile(Clip(".mp4"))));
    std::vector<std::pair<int, gboolean>> decoders;
    for (const ElementRef& element :
         CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(filterGraph->Pipeline())))) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element.get()), "max-threads")) {
            decoders.emplace_back(-1, TRUE);
            g_object_get(element.get(), "max-threads", &decoders.back().first, "direct-rendering",
                         &decoders.back().second, nullptr);
        }
    }
    gst_element_set_state(filterGraph->Pipeline(), GST_STATE_NULL);
    EXPECT_THAT(decoders, testing::ElementsAre(std::pair<int, gboolean>(1, FALSE)));
}

} // namespace

// Placed ahead, a file's first picture is made at the size it is shown at, so that placing the window
// there once the build is done has nothing to make again. Placed so that its owner (360 x 240) hides
// part of it, the frame is cut to the part shown first, and the picture is made at that part's size.
TEST_F(GstGraphTest, AVideoWindowPlacedAheadHasTheFirstPictureMadeAtItsSize) {
    struct Row {
        const char* what;
        bool owned;
        PixelRect (*place)(std::int32_t width, std::int32_t height);
        gint drawnWidth, drawnHeight, keptWidth, keptHeight;
    };
    const Row rows[] = {
        {"halved, without an owner", false,
         [](std::int32_t w, std::int32_t h) {
             return PixelRect{7, 5, w / 2, h / 2};
         },
         160, 120, 320, 240},
        {"doubled, overhanging the owner", true,
         [](std::int32_t w, std::int32_t h) {
             return PixelRect{-140, -60, w * 2, h * 2};
         },
         360, 240, 180, 120},
    };
    for (const Row& row : rows) {
        std::shared_ptr<IGraphBuilder> made;
        ASSERT_EQ(gst.CreateFilterGraph(made), S_OK);
        const auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(made);
        ASSERT_TRUE(filterGraph);
        if (row.owned) {
            ASSERT_TRUE(Succeeded(filterGraph->put_Owner(owner.Handle())));
        }
        filterGraph->PlaceAhead(row.place);
        ASSERT_TRUE(Succeeded(made->RenderFile(Clip(".mp4", true, true, 320, 240, 4.0))));
        // The size the sink draws at, and the frame's part kept by the crop: width and height each.
        const auto drawnAndKept = [&filterGraph] {
            std::array<gint, 4> seen{0, 0, 320, 240};
            for (const ElementRef& element :
                 CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(filterGraph->Pipeline())))) {
                if (IsStandardVideoSink(GST_OBJECT(element.get()))) {
                    const PadRef input = Adopt(gst_element_get_static_pad(element.get(), "sink"));
                    const CapsRef caps(gst_pad_get_current_caps(input.get()));
                    if (caps) {
                        gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), "width", &seen[0]);
                        gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), "height", &seen[1]);
                    }
                }
                if (IsStandardVideoCrop(GST_OBJECT(element.get()))) {
                    gint cut[4] = {0, 0, 0, 0};
                    g_object_get(element.get(), "left", &cut[0], "right", &cut[1], "top", &cut[2], "bottom",
                                 &cut[3], nullptr);
                    seen[2] -= cut[0] + cut[1];
                    seen[3] -= cut[2] + cut[3];
                }
            }
            return seen;
        };
        EXPECT_EQ(drawnAndKept(),
                  (std::array<gint, 4>{row.drawnWidth, row.drawnHeight, row.keptWidth, row.keptHeight}))
            << row.what;
        if (row.owned) {
            // Placed anew while playing (its owner moved to a screen of another scale), the frame is cut
            // anew and the stream negotiates the new size without stopping.
            ASSERT_TRUE(Succeeded(filterGraph->Run()));
            ASSERT_TRUE(Succeeded(filterGraph->SetWindowPosition(-100, -40, 480, 360)));
            const std::array<gint, 4> replaced{363, 243, 242, 162};
            EXPECT_TRUE(WaitFor([&] { return drawnAndKept() == replaced; }))
                << drawnAndKept()[0] << "x" << drawnAndKept()[1];
            // Placed anew while paused, no frame flows to take the new cut: the still picture is made
            // again from the frame where it stands once the positions are next read.
            ASSERT_TRUE(Succeeded(filterGraph->Pause()));
            ASSERT_NE(gst_element_get_state(filterGraph->Pipeline(), nullptr, nullptr, 5 * GST_SECOND),
                      GST_STATE_CHANGE_FAILURE);
            ASSERT_TRUE(Succeeded(filterGraph->SetWindowPosition(-50, -30, 640, 480)));
            MediaTime current = 0;
            MediaTime stop = 0;
            ASSERT_TRUE(Succeeded(filterGraph->GetPositions(current, stop)));
            const std::array<gint, 4> pausedPlace{364, 244, 182, 122};
            EXPECT_TRUE(WaitFor([&] { return drawnAndKept() == pausedPlace; }))
                << drawnAndKept()[0] << "x" << drawnAndKept()[1] << " from " << drawnAndKept()[2] << "x"
                << drawnAndKept()[3];
        }
        gst_element_set_state(filterGraph->Pipeline(), GST_STATE_NULL);
    }
}

// The start-up timeline names the stages of a build in the order the build reaches them, so that a
// benchmark's phases mean what they say.
TEST_F(GstGraphTest, StartupMarksFollowABuildFromItsSourceToThePreroll) {
    TempDir dir;
    const std::string path = dir / "marks";
    // The fixture's graph was made before the marks were open, and is not followed.
    ASSERT_TRUE(OpenStartupMarks(path, MonotonicNanoseconds()));
    std::shared_ptr<IGraphBuilder> marked;
    ASSERT_EQ(gst.CreateFilterGraph(marked), S_OK);
    ASSERT_TRUE(Succeeded(marked->RenderFile(Clip(".mp4"))));
    marked.reset();

    std::vector<std::string> phases;
    std::ifstream marks(path);
    std::int64_t at = 0;
    for (std::string phase; marks >> at && std::getline(marks >> std::ws, phase);) {
        phases.push_back(phase);
    }
    const auto reached = [&phases](const std::string& start) {
        return std::find_if(phases.begin(), phases.end(),
                            [&start](const std::string& phase) { return phase.starts_with(start); }) -
               phases.begin();
    };
    const std::vector<std::string> order = {"graph made",
                                            "added source filesrc",
                                            "type found video/quicktime",
                                            "added demuxer",
                                            "added video decoder",
                                            "video decoder in: first buffer",
                                            "video decoder out: caps",
                                            "video decoder out: first buffer",
                                            "video sink: first buffer",
                                            "graph prerolled 1"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_LT(reached(order[i]), static_cast<std::ptrdiff_t>(phases.size())) << order[i] << " not marked";
        if (i > 0) {
            EXPECT_LT(reached(order[i - 1]), reached(order[i])) << order[i - 1] << " after " << order[i];
        }
    }
}
