// SPDX-License-Identifier: GPL-2.0-or-later
// The GStreamer graph below the playback object: pins, sources, and its problem list. The contract it
// shares with the fake graph is in GraphContractTest.cpp.

#include "core/StartupMarks.h"
#include "graph/gst/CatchUpSkipping.h"
#include "graph/gst/CatchUpThreads.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/VideoDecoderSetup.h"
#include "gstcommon/GstIteration.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gmock/gmock.h>
#include <gst/video/video.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

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

// The window's pause or play pressed before any file was open reaches an empty graph; the file opened
// next still builds, its source started only by the build that links it.
TEST_F(GstGraphTest, AGraphPausedOrRunWhileEmptyBuildsTheFileOpenedNext) {
    for (const bool run : {false, true}) {
        ASSERT_EQ(gst.CreateFilterGraph(graph), S_OK);
        std::shared_ptr<IMediaControl> control;
        ASSERT_EQ(graph->QueryInterface(control), S_OK);
        EXPECT_EQ(run ? control->Run() : control->Pause(), S_OK);
        std::shared_ptr<IBaseFilter> source;
        ASSERT_EQ(graph->AddSourceFilter(Clip(".mkv"), SourceFilterName, source), S_OK);
        // A window in which nothing may happen: a source started on its own would push into nothing
        // here, and there is no message to wait for when it rightly does not.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::shared_ptr<IEnumPins> pins;
        source->EnumPins(pins);
        std::shared_ptr<IPin> output;
        ASSERT_EQ(pins->Next(output), S_OK);
        EXPECT_TRUE(Succeeded(graph->Render(output))) << (run ? "run" : "paused");
        const auto problems = std::dynamic_pointer_cast<GstFilterGraph>(graph)->Problems();
        EXPECT_TRUE(problems.empty()) << (run ? "run: " : "paused: ") << problems.front();
    }
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

// The visible pixels of a decoded frame, whatever padding the buffer carries.
std::string FrameChecksum(GstBuffer* buffer, GstCaps* caps) {
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!caps || !gst_video_info_from_caps(&info, caps) ||
        !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return "unmapped";
    }
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA1);
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
        const auto* pixels = static_cast<const guchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
        const gint stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
        const gint rowBytes =
            GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, plane);
        for (gint row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
            g_checksum_update(sum, pixels + static_cast<std::ptrdiff_t>(row) * stride, rowBytes);
        }
    }
    std::string text = g_checksum_get_string(sum);
    g_checksum_free(sum);
    gst_video_frame_unmap(&frame);
    return text;
}

// The file decoded as the graph's decoding bin decodes it, into a sink that keeps what it is given.
class DecodeToSink {
public:
    explicit DecodeToSink(const std::string& path, GstClockTime positionAhead = GST_CLOCK_TIME_NONE) {
        pipeline_ = Share(gst_pipeline_new(nullptr));
        GstElement* source = gst_element_factory_make("filesrc", nullptr);
        GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
        sink_ = gst_element_factory_make("fakesink", nullptr);
        g_object_set(source, "location", path.c_str(), nullptr);
        g_object_set(sink_, "sync", FALSE, nullptr);
        gst_bin_add_many(GST_BIN(pipeline_.get()), source, decoder, sink_, nullptr);
        gst_element_link(source, decoder);
        SetUpVideoDecoders(decoder, positionAhead);
        g_signal_connect(decoder, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer sink) {
                             const PadRef input =
                                 Adopt(gst_element_get_static_pad(GST_ELEMENT(sink), "sink"));
                             gst_pad_link(pad, input.get());
                         }),
                         sink_);
        const PadRef input = Adopt(gst_element_get_static_pad(sink_, "sink"));
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_BUFFER, &DecodeToSink::OnFrame, this, nullptr);
    }
    ~DecodeToSink() { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }

    bool Settle(GstState state) {
        return gst_element_set_state(pipeline_.get(), state) != GST_STATE_CHANGE_FAILURE &&
               gst_element_get_state(pipeline_.get(), nullptr, nullptr, 10 * GST_SECOND) ==
                   GST_STATE_CHANGE_SUCCESS;
    }
    // Every frame from the start to the end, by the time it stands at.
    std::map<GstClockTime, std::string> DecodeAll() {
        recording_ = true;
        EXPECT_TRUE(Settle(GST_STATE_PLAYING));
        const MessageRef end(
            gst_bus_timed_pop_filtered(Adopt(gst_element_get_bus(pipeline_.get())).get(), 20 * GST_SECOND,
                                       static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        EXPECT_TRUE(end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS);
        std::lock_guard guard(lock_);
        return frames_;
    }
    // The picture the sink prerolled at after an accurate seek, and the time it stands at.
    std::pair<GstClockTime, std::string> SeekTo(GstClockTime target) {
        EXPECT_TRUE(
            gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME,
                                    static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                    static_cast<gint64>(target)));
        EXPECT_TRUE(Settle(GST_STATE_PAUSED));
        SampleRef sample;
        g_object_get(sink_, "last-sample", static_cast<GstSample**>(OutParam(sample)), nullptr);
        if (!sample) {
            return {GST_CLOCK_TIME_NONE, "none"};
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        return {GST_BUFFER_PTS(buffer), FrameChecksum(buffer, gst_sample_get_caps(sample.get()))};
    }

private:
    // Runs on the streaming thread.
    static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto& self = *static_cast<DecodeToSink*>(data);
        if (self.recording_) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            const CapsRef caps(gst_pad_get_current_caps(pad));
            std::lock_guard guard(self.lock_);
            self.frames_[GST_BUFFER_PTS(buffer)] = FrameChecksum(buffer, caps.get());
        }
        return GST_PAD_PROBE_OK;
    }

    ElementRef pipeline_;
    GstElement* sink_ = nullptr;
    std::atomic<bool> recording_{false};
    std::mutex lock_;
    std::map<GstClockTime, std::string> frames_;
};

// What counts as a picture nothing refers to, and as one a decoder opened afresh can start from, in
// the packings the clips below do not cover: H.264 behind start codes, lengths of other sizes, and
// units that cannot be read whole, which are kept and are no place to start.
TEST_F(GstGraphTest, OnlyPicturesWhoseEverySliceIsUnreferencedAreSkippable) {
    const CodedFormat lengths2{CodedPacking::H264Lengths, 2};
    const CodedFormat avc2{CodedPacking::H264Lengths, 2, true};
    const CodedFormat startCodes{CodedPacking::H264StartCodes};
    struct Row {
        std::vector<std::uint8_t> bytes;
        CodedFormat format;
        bool unreferenced;
        bool afresh;
    };
    const std::vector<Row> rows = {
        // An access unit delimiter, then a non-reference slice (nal_ref_idc 0, type 1).
        {{0, 0, 0, 1, 0x09, 0xf0, 0, 0, 1, 0x01, 0x9a, 0x00}, startCodes, true, false},
        // Two slices, the second referred to (nal_ref_idc 2).
        {{0, 0, 1, 0x01, 0x9a, 0, 0, 1, 0x41, 0x9a}, startCodes, false, false},
        // No slice at all: only a sequence parameter set.
        {{0, 0, 1, 0x67, 0x64}, startCodes, false, false},
        // A multi-view unit beside an unreferenced slice.
        {{0, 0, 1, 0x01, 0x9a, 0, 0, 1, 0x14, 0x00}, startCodes, false, false},
        // An IDR picture with its parameter sets, and one whose sets only the caps could give.
        {{0, 0, 1, 0x67, 0x64, 0, 0, 1, 0x68, 0xee, 0, 0, 1, 0x65, 0x88}, startCodes, false, true},
        {{0, 0, 1, 0x65, 0x88}, startCodes, false, false},
        {{0, 2, 0x01, 0x9a, 0, 2, 0x06, 0x05}, lengths2, true, false},
        {{0, 2, 0x25, 0x88}, lengths2, false, false},
        {{0, 2, 0x25, 0x88}, avc2, false, true},
        // A length running past the end of the buffer.
        {{0, 9, 0x01, 0x9a}, lengths2, false, false},
        {{0, 2, 0x25, 0x88, 0, 9}, avc2, false, false},
        {{0, 0, 1, 0x01, 0x9a, 0x00}, {CodedPacking::Unknown}, false, false},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(UnreferencedPicture(rows[i].bytes, rows[i].format), rows[i].unreferenced) << "row " << i;
        EXPECT_EQ(StartsAfresh(rows[i].bytes, rows[i].format), rows[i].afresh) << "row " << i;
    }
}

// A place reached by an accurate seek is decoded from the key frame before it, on two threads, and
// the pictures on the way that nothing refers to are skipped. The picture at the place must be the
// very one a decode of every frame from the start gives, at places on every kind of frame of a
// B-pyramid (the referenced middle B-frame, the unreferenced ones around it, the P-frame), in
// either container; played on from a place, through the key frames where the decoder goes back to
// one thread, every picture must be the full decode's too; and a decode from the start skips
// nothing and stays on one thread.
TEST_F(GstGraphTest, APlaceReachedFromItsKeyFrameShowsThePictureAFullDecodeGives) {
    const std::vector<std::string> pyramid = {"-preset", "medium", "-x264-params",
                                              "bframes=3:b-adapt=0:b-pyramid=normal:keyint=25:scenecut=0"};
    const auto clipOf = [](const char* extension, std::vector<std::string> options) {
        ClipSpec clip;
        clip.extension = extension;
        clip.seconds = 3.0;
        clip.audio = false;
        clip.videoOptions = std::move(options);
        return clip;
    };
    const std::vector<ClipSpec> clips = {clipOf(".mp4", pyramid), clipOf(".mkv", pyramid)};
    constexpr GstClockTime Frame = GST_SECOND / 25;
    for (const ClipSpec& clip : clips) {
        const std::string path = GenerateClip(clip);
        const std::uint64_t skippedBefore = SkippedCatchUpPictures();
        const CatchUpThreadCounts switchesBefore = CatchUpThreadSwitches();
        std::map<GstClockTime, std::string> full;
        {
            DecodeToSink decode(path);
            full = decode.DecodeAll();
        }
        EXPECT_EQ(SkippedCatchUpPictures(), skippedBefore)
            << clip.extension << ": a decode from the start skipped";
        EXPECT_EQ(CatchUpThreadSwitches().raised, switchesBefore.raised)
            << clip.extension << ": a decode from the start took two threads";
        ASSERT_GE(full.size(), 70U) << clip.extension;
        // A place is a time in the stream; the pictures may stand later in their buffers' times (an
        // MP4's edit list for B-frames), so the picture expected at frame n is the full decode's n-th.
        const std::vector<std::pair<GstClockTime, std::string>> inOrder(full.begin(), full.end());

        DecodeToSink resumed(path);
        ASSERT_TRUE(resumed.Settle(GST_STATE_PAUSED)) << clip.extension;
        for (const std::size_t frame : {26U, 37U, 46U, 47U, 48U, 49U, 62U, 71U}) {
            const auto [at, checksum] = resumed.SeekTo(frame * Frame);
            EXPECT_EQ(at, inOrder[frame].first) << clip.extension << ": frame " << frame;
            EXPECT_EQ(checksum, inOrder[frame].second) << clip.extension << ": frame " << frame;
        }
        EXPECT_GT(SkippedCatchUpPictures(), skippedBefore)
            << clip.extension << ": nothing was skipped on the way";

        // Played on from a place, sought to in a decoder opened for it or not, every picture is the
        // full decode's: the picture at the place itself went by in the pause.
        constexpr std::size_t Resumed = 26;
        const auto playOn = [&](DecodeToSink& decode, const char* how) {
            EXPECT_EQ(decode.SeekTo(Resumed * Frame).second, inOrder[Resumed].second)
                << clip.extension << how;
            const std::map<GstClockTime, std::string> playedOn = decode.DecodeAll();
            for (std::size_t frame = Resumed + 1; frame < inOrder.size(); ++frame) {
                const auto played = playedOn.find(inOrder[frame].first);
                EXPECT_TRUE(played != playedOn.end() && played->second == inOrder[frame].second)
                    << clip.extension << how << ": frame " << frame;
            }
        };
        playOn(resumed, " played on");
        const CatchUpThreadCounts switches = CatchUpThreadSwitches();
        EXPECT_GT(switches.raised, switchesBefore.raised)
            << clip.extension << ": no catch-up took two threads";
        EXPECT_GT(switches.returned, switchesBefore.returned)
            << clip.extension << ": the decoder never went back to one thread";

        DecodeToSink resumedAhead(path, Resumed * Frame);
        ASSERT_TRUE(resumedAhead.Settle(GST_STATE_PAUSED)) << clip.extension;
        playOn(resumedAhead, " told the place ahead");
        EXPECT_EQ(CatchUpThreadSwitches().raised, switches.raised)
            << clip.extension << ": a decoder opened for the place was opened again for it";
        EXPECT_GT(CatchUpThreadSwitches().returned, switches.returned)
            << clip.extension << ": a decoder opened for the place never went back to one thread";
    }
}

// A read that does not return, as from a dead network share: a pipe whose writer never writes. The
// writer's end closing ends the read.
// Without a writer yet, the open itself does not return, as on a share whose server is gone.
class StuckRead {
public:
    enum Stuck { InRead, InOpen };
    explicit StuckRead(Stuck stuck = InRead) {
        EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0);
        if (stuck == InRead) {
            // Read and write, so that the open does not wait for a reader.
            writer_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        }
    }
    ~StuckRead() { End(); }
    StuckRead(const StuckRead&) = delete;
    StuckRead& operator=(const StuckRead&) = delete;

    std::shared_ptr<IBaseFilter> Source() const {
        GstElement* source = gst_element_factory_make("filesrc", nullptr);
        g_object_set(source, "location", path_.c_str(), nullptr);
        return std::make_shared<GstFilter>(source);
    }
    const std::string& Path() const { return path_; }
    void End() {
        if (writer_ < 0 && !ended_) {
            // A writer that comes and goes lets a waiting open return; its reads then end at once.
            writer_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        }
        ended_ = true;
        if (writer_ >= 0) {
            ::close(std::exchange(writer_, -1));
        }
    }
    // Whether a thread of this process sits in a read of the pipe: the system call's number and its
    // descriptor, as /proc shows them for a thread waiting inside one.
    bool Caught() const {
        std::set<std::string> readers;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (std::filesystem::read_symlink(fd.path(), error) == path_ &&
                fd.path().filename() != std::to_string(writer_)) {
                readers.insert(fd.path().filename());
            }
        }
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream call(task.path() / "syscall");
            long number = -1;
            std::string descriptor;
            if (call >> number >> descriptor && number == SYS_read &&
                readers.count(std::to_string(std::stol(descriptor, nullptr, 16)))) {
                return true;
            }
        }
        return false;
    }

private:
    TempDir dir_;
    std::string path_ = dir_ / "share";
    int writer_ = -1;
    bool ended_ = false;
};

// Taking the source out of a graph whose source is caught in a read that does not return (the next
// file), or letting the graph go (the window's close), must come back: the pipeline is left to a thread
// that stops it once the read returns, and the graph goes on with a new one. The call runs beside the
// test, which ends the read itself if the call is caught too (and fails), so that the test ends.
TEST_F(GstGraphTest, LeavingAGraphCaughtInAReadThatNeverReturnsComesBackAndTheGraphGoesOn) {
    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "the graph let go" : "the source taken out");
        ASSERT_EQ(gst.CreateFilterGraph(graph), S_OK);
        auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
        StuckRead share;
        const auto source = share.Source();
        const auto sink = std::make_shared<GstFilter>(gst_element_factory_make("fakesink", nullptr));
        std::shared_ptr<IPin> output;
        std::shared_ptr<IPin> input;
        ASSERT_EQ(graph->AddFilter(source, SourceFilterName), S_OK);
        ASSERT_EQ(graph->AddFilter(sink, "Sink"), S_OK);
        ASSERT_EQ(source->FindPin("src", output), S_OK);
        ASSERT_EQ(sink->FindPin("sink", input), S_OK);
        ASSERT_EQ(graph->Connect(output, input), S_OK);
        {
            // The facet is the graph itself: kept, it would keep the graph.
            std::shared_ptr<IMediaControl> control;
            graph->QueryInterface(control);
            ASSERT_EQ(control->Run(), S_OK);
        }
        ASSERT_TRUE(WaitFor([&share] { return share.Caught(); }, std::chrono::seconds(10)));
        std::atomic<bool> gone{false};
        g_object_weak_ref(
            G_OBJECT(filterGraph->Pipeline()),
            [](gpointer flag, GObject*) { static_cast<std::atomic<bool>*>(flag)->store(true); }, &gone);

        auto left = std::async(std::launch::async, [&] {
            if (dropped) {
                filterGraph.reset();
                graph.reset();
                return S_OK;
            }
            return graph->RemoveFilter(source);
        });
        const bool cameBack = left.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!cameBack) {
            share.End();
        }
        EXPECT_EQ(left.get(), S_OK);
        ASSERT_TRUE(cameBack) << "leaving waited for the read";
        EXPECT_FALSE(gone) << "the pipeline was taken down while its read went on";
        if (!dropped) {
            // The graph is empty and builds the next file.
            EXPECT_TRUE(Names().empty());
            std::shared_ptr<IBaseFilter> clip;
            ASSERT_EQ(graph->AddSourceFilter(Clip(".mkv"), SourceFilterName, clip), S_OK);
            ASSERT_EQ(clip->FindPin("src", output), S_OK);
            EXPECT_TRUE(Succeeded(graph->Render(output)));
        }
        // Once the read returns, the pipeline left behind is stopped and let go.
        share.End();
        EXPECT_TRUE(WaitFor([&gone] { return gone.load(); }, std::chrono::seconds(20)))
            << "the pipeline left behind was never let go";
    }
}

// Opening a file on a share whose server is gone waits in the kernel, in the graph's own check of the
// file or in its source's open: the build ends at its deadline with the window answering meanwhile,
// and the graph builds the next file. The test ends the open itself if the build is caught too.
TEST_F(GstGraphTest, ABuildWhoseOpenNeverReturnsEndsAtItsDeadlineAndTheGraphGoesOn) {
    struct Answering : GraphWaitListener {
        std::atomic<int> sleeps{0};
        void GraphWaitBegins() override {}
        void GraphWaitSleeps(int news, std::chrono::steady_clock::time_point until) override {
            ++sleeps;
            SleepOnDescriptor(news, until);
        }
        void GraphWaitEnds() override {}
    };
    for (const bool checked : {true, false}) {
        SCOPED_TRACE(checked ? "the file's check" : "the source's open");
        ASSERT_EQ(gst.CreateFilterGraph(graph), S_OK);
        auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
        const auto deadline = std::exchange(filterGraph->BuildDeadline, std::chrono::milliseconds(500));
        // The graph outlives the test's body.
        static Answering window;
        window.sleeps = 0;
        filterGraph->SetWaitListener(std::make_shared<GraphWaitListener*>(&window));
        StuckRead share(StuckRead::InOpen);
        auto built = std::async(std::launch::async, [&] {
            if (checked) {
                return graph->RenderFile(share.Path());
            }
            const auto source = share.Source();
            std::shared_ptr<IPin> output;
            EXPECT_EQ(graph->AddFilter(source, SourceFilterName), S_OK);
            EXPECT_EQ(source->FindPin("src", output), S_OK);
            return graph->Render(output);
        });
        const bool cameBack = built.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!cameBack) {
            share.End();
        }
        EXPECT_TRUE(Failed(built.get()));
        ASSERT_TRUE(cameBack) << "the build waited for the open";
        EXPECT_GT(window.sleeps.load(), 0) << "the window was not let answer while the open waited";
        filterGraph->BuildDeadline = deadline;
        EXPECT_TRUE(Succeeded(graph->RenderFile(Clip(".mkv"))));
        share.End();
    }
}

// A filter whose input, once linked, calls into something that does not answer (a device opening its
// window on an X server that hangs): the build ends at its deadline, and letting the stuck pipeline go
// must not wait for the stuck link. The test opens the gate itself if the build is caught too.
TEST_F(GstGraphTest, ALinkCaughtInTheInputsOwnWorkDoesNotHoldLettingThePipelineGo) {
    auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(graph);
    filterGraph->BuildDeadline = std::chrono::milliseconds(1500);
    filterGraph->StopPatience = std::chrono::milliseconds(500);
    // Outlives the test: the stuck link returns only when the gate opens, perhaps after the test.
    static struct Gate {
        std::mutex lock;
        std::condition_variable changed;
        bool caught = false;
        bool open = false;
    } gate;
    GstElement* input = gst_element_factory_make("appsink", nullptr);
    CapsRef sound(gst_caps_new_empty_simple("audio/x-raw"));
    g_object_set(input, "caps", sound.get(), nullptr);
    PadRef inputPad = Adopt(gst_element_get_static_pad(input, "sink"));
    g_signal_connect(inputPad.get(), "linked", G_CALLBACK(+[](GstPad*, GstPad*, gpointer) {
                         std::unique_lock guard(gate.lock);
                         gate.caught = true;
                         gate.changed.notify_all();
                         gate.changed.wait(guard, [] { return gate.open; });
                     }),
                     nullptr);
    const auto openGate = [] {
        std::lock_guard guard(gate.lock);
        gate.open = true;
        gate.changed.notify_all();
    };
    ASSERT_EQ(graph->AddFilter(std::make_shared<GstFilter>(input), "Stuck Input"), S_OK);
    std::shared_ptr<IBaseFilter> source;
    ASSERT_EQ(graph->AddSourceFilter(Clip(".mkv"), SourceFilterName, source), S_OK);
    std::shared_ptr<IPin> output;
    ASSERT_EQ(source->FindPin("src", output), S_OK);

    const std::uint64_t generation = filterGraph->PipelineGeneration();
    auto built = std::async(std::launch::async, [&] { return graph->Render(output); });
    const bool cameBack = built.wait_for(std::chrono::seconds(15)) == std::future_status::ready;
    {
        std::lock_guard guard(gate.lock);
        EXPECT_TRUE(gate.caught) << "the stream never reached the input";
    }
    openGate();
    EXPECT_TRUE(Failed(built.get()));
    EXPECT_TRUE(cameBack) << "letting the pipeline go waited for the link caught in the input";
    // The stuck pipeline was replaced once, by the next generation, which the link coming back from
    // the input must not take for its own.
    EXPECT_EQ(filterGraph->PipelineGeneration(), generation + 1);
    // The graph goes on with a new pipeline, and builds the next file.
    std::shared_ptr<IBaseFilter> clip;
    ASSERT_EQ(graph->AddSourceFilter(Clip(".mkv"), SourceFilterName, clip), S_OK);
    ASSERT_EQ(clip->FindPin("src", output), S_OK);
    EXPECT_TRUE(Succeeded(graph->Render(output)));
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
            // Placed anew while paused, no frame flows to take the new cut. Reading the positions
            // leaves the picture as it is: a read never seeks. Asked for afterwards, the still picture
            // is made again from the frame where it stands; a seek that follows a placement makes it
            // instead, and leaves nothing to make when it is asked for.
            ASSERT_TRUE(Succeeded(filterGraph->Pause()));
            ASSERT_NE(gst_element_get_state(filterGraph->Pipeline(), nullptr, nullptr, 5 * GST_SECOND),
                      GST_STATE_CHANGE_FAILURE);
            std::atomic<int> flushes{0};
            PadRef sinkPad;
            for (const ElementRef& element :
                 CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(filterGraph->Pipeline())))) {
                if (IsStandardVideoSink(GST_OBJECT(element.get()))) {
                    sinkPad = Adopt(gst_element_get_static_pad(element.get(), "sink"));
                }
            }
            ASSERT_TRUE(sinkPad);
            const gulong counting = gst_pad_add_probe(
                sinkPad.get(), GST_PAD_PROBE_TYPE_EVENT_FLUSH,
                +[](GstPad*, GstPadProbeInfo* info, gpointer count) {
                    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_START) {
                        ++*static_cast<std::atomic<int>*>(count);
                    }
                    return GST_PAD_PROBE_OK;
                },
                &flushes, nullptr);
            ASSERT_TRUE(Succeeded(filterGraph->SetWindowPosition(-50, -30, 640, 480)));
            for (int read = 0; read < 3; ++read) {
                MediaTime current = 0;
                MediaTime stop = 0;
                ASSERT_TRUE(Succeeded(filterGraph->GetPositions(current, stop)));
                ASSERT_TRUE(Succeeded(filterGraph->GetStopPosition(stop)));
            }
            EXPECT_EQ(flushes.load(), 0) << "a read sought";
            EXPECT_EQ(drawnAndKept()[0], replaced[0]);
            ASSERT_TRUE(Succeeded(filterGraph->RemakeStillPicture()));
            const std::array<gint, 4> pausedPlace{364, 244, 182, 122};
            EXPECT_TRUE(WaitFor([&] { return drawnAndKept() == pausedPlace; }))
                << drawnAndKept()[0] << "x" << drawnAndKept()[1] << " from " << drawnAndKept()[2] << "x"
                << drawnAndKept()[3];
            EXPECT_EQ(flushes.load(), 1);
            ASSERT_TRUE(Succeeded(filterGraph->SetWindowPosition(-100, -40, 480, 360)));
            ASSERT_TRUE(Succeeded(filterGraph->SetPositions(Second, AM_SEEKING_AbsolutePositioning, 0,
                                                            AM_SEEKING_NoPositioning)));
            EXPECT_TRUE(WaitFor([&] { return drawnAndKept() == replaced; }));
            ASSERT_TRUE(Succeeded(filterGraph->RemakeStillPicture()));
            EXPECT_EQ(flushes.load(), 2) << "the picture the seek made was made again";
            gst_pad_remove_probe(sinkPad.get(), counting);
        }
        gst_element_set_state(filterGraph->Pipeline(), GST_STATE_NULL);
    }
}

// The start-up timeline names the stages of a build in the order the build reaches them, so that a
// benchmark's phases mean what they say. A build holds its first picture back, decoded but not shown;
// a seek that follows at once (a resume) drops it, and the first picture the video sink is given is
// the one at the place.
TEST_F(GstGraphTest, StartupMarksFollowABuildFromItsSourceToThePreroll) {
    TempDir dir;
    const std::string path = dir / "marks";
    // The fixture's graph was made before the marks were open, and is not followed.
    ASSERT_TRUE(OpenStartupMarks(path, MonotonicNanoseconds()));
    std::shared_ptr<IGraphBuilder> marked;
    ASSERT_EQ(gst.CreateFilterGraph(marked), S_OK);
    // Between the key frames a second apart, so the place is caught up to.
    const auto place = Second + Second / 5;
    std::dynamic_pointer_cast<IPositionAhead>(marked)->PositionAhead(place);
    ASSERT_TRUE(Succeeded(marked->RenderFile(Clip(".mp4", true, true, 320, 240, 2.0))));
    std::shared_ptr<IMediaSeeking> seeking;
    ASSERT_EQ(marked->QueryInterface(seeking), S_OK);
    ASSERT_EQ(seeking->SetPositions(place, AM_SEEKING_AbsolutePositioning, place, AM_SEEKING_NoPositioning),
              S_OK);
    const auto filterGraph = std::dynamic_pointer_cast<GstFilterGraph>(marked);
    EXPECT_TRUE(WaitFor([&] { return filterGraph->ShownPictureTime() == place; }));
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
                                            "video decoder in: two threads for the place ahead",
                                            "video decoder in: first buffer",
                                            "video decoder out: caps",
                                            "video decoder out: first buffer",
                                            "video: first picture held",
                                            "graph prerolled behind the held picture",
                                            "video: first picture dropped for the place",
                                            "video sink: buffer after flush 1",
                                            "graph prerolled 1"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_LT(reached(order[i]), static_cast<std::ptrdiff_t>(phases.size())) << order[i] << " not marked";
        if (i > 0) {
            EXPECT_LT(reached(order[i - 1]), reached(order[i])) << order[i - 1] << " after " << order[i];
        }
    }
    // Nothing reached the video sink before the seek's flush, and the decoder opened for the place
    // was not opened again for it.
    EXPECT_EQ(reached("video sink: first buffer"), static_cast<std::ptrdiff_t>(phases.size()));
    EXPECT_EQ(reached("video decoder in: catch-up on two threads"),
              static_cast<std::ptrdiff_t>(phases.size()));
}
