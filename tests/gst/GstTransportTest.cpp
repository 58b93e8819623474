// SPDX-License-Identifier: GPL-2.0-or-later
// Running, stopping and seeking the real graph through the playback object. Stopping, pausing and
// resuming are checked by the random command sequences of the transport model test.

#include "graph/GraphWait.h"
#include "gstcommon/GstIteration.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gst/base/gstbasesink.h>
#include <mutex>
#include <thread>
#include <utility>

// Timing is checked on pictures alone: a sound stream's start on the test's sound server takes a
// varying fraction of a second after every seek or pause, which says nothing about the graph.

namespace {

TEST_F(GstPlaybackTest, ASeekWhileStoppedTakesEffectAtTheNextRun) {
    Open(Clip(".mp4", true, false, 320, 240, 2.0), false, false);
    EXPECT_EQ(player->GetPosition(), 0);
    EXPECT_EQ(player->SetPosition(Second), S_OK);
    // Accurate, and in place before the next position read.
    EXPECT_EQ(player->GetPosition(), Second);
    // Every place seen on the way on lies past the seek's target.
    EXPECT_EQ(PlayAndFindLowestPlaceUntil(Second + Second / 10), Second);
    EXPECT_TRUE(PlayToEnd(std::chrono::milliseconds(4000)));
}

// A seek shows the picture that stands at its target, never one after it (what the user would miss)
// nor one well before it, in every container; an MPEG program stream's demuxer, left to itself, lands
// up to a second late.
TEST_F(GstPlaybackTest, ASeekShowsThePictureAtItsTargetInEveryContainer) {
    const MediaTime frame = Second / 25;
    for (const char* extension : {".avi", ".wmv", ".mpg", ".vob", ".mp4", ".mkv"}) {
        Open(Clip(extension, true, true, 320, 240, 4.0), false, false);
        for (const MediaTime target : {Second * 16 / 10, Second * 27 / 10, Second}) {
            ASSERT_EQ(player->SetPosition(target), S_OK);
            // The sink may hand its new picture over a moment after the preroll is reported.
            MediaTime shown = -1;
            WaitFor([&] { return (shown = Graph()->ShownPictureTime()) >= 0; });
            EXPECT_TRUE(shown <= target && shown > target - frame)
                << extension << ": a seek to " << target << " shows the picture at " << shown;
            EXPECT_EQ(player->GetPosition(), target) << extension;
        }
        // Played on from there, every place seen lies past the last target.
        EXPECT_EQ(PlayAndFindLowestPlaceUntil(Second + Second / 2), Second) << extension;
        // A seek to the very end still ends the file.
        MediaTime current = 0;
        MediaTime stop = 0;
        ASSERT_EQ(Graph()->GetPositions(current, stop), S_OK);
        player->SetPosition(stop);
        EXPECT_TRUE(WaitFor([&] {
            player->UpdatePosition();
            return player->EndReached;
        })) << extension;
        EXPECT_TRUE(Graph()->Problems().empty()) << extension << ": " << Graph()->Problems().front();
    }
}

TEST_F(GstPlaybackTest, SkippingPastEitherEndLandsOnThatEnd) {
    Open(Clip(".avi", true, false), false, false);
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() > Second / 10; }));
    player->SkipSeconds(-15);
    EXPECT_LT(player->GetPosition(), Second / 20);

    MediaTime current = 0;
    MediaTime stop = 0;
    ASSERT_EQ(Graph()->GetPositions(current, stop), S_OK);
    EXPECT_GT(stop, Second / 2);
    player->SkipSeconds(15);
    // At the end the current position equals the stop position exactly, so the end is seen.
    EXPECT_TRUE(WaitFor([&] {
        player->UpdatePosition();
        return player->EndReached;
    }));
    EXPECT_EQ(player->GetPosition(), stop);

    // A seek after the end leaves it: the end is reached again by playing.
    player->EndReached = false;
    EXPECT_EQ(player->SeekToBarPosition(5000), S_OK);
    EXPECT_LT(player->GetPosition(), stop);
    player->UpdatePosition();
    EXPECT_FALSE(player->EndReached);
    EXPECT_TRUE(PlayToEnd());
}

// Sound of varying rate without an index: loud first, then quiet, so the length estimated from the
// rate so far grows while it plays (about 3.1 s, 3.9 s, 4.8 s, for 5 s of sound). The stop position
// follows the estimate instead of pinning the position short of the end until the end arrives.
TEST_F(GstPlaybackTest, ALengthThatGrowsWhilePlayingIsFollowedToTheTrueEnd) {
    TempDir folder;
    const std::string path = folder / "growing.mp3";
    const std::string make = "ffmpeg -y -loglevel error -f lavfi -i anoisesrc=d=2:r=44100:a=0.5 -f lavfi -i "
                             "anullsrc=r=44100:cl=stereo:d=3 -filter_complex '[0][1]concat=n=2:v=0:a=1' "
                             "-c:a libmp3lame -q:a 2 -write_xing 0 '" +
                             path + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    Open(path, false, false);
    player->Play();
    MediaTime first = 0;
    MediaTime latest = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!player->EndReached && std::chrono::steady_clock::now() < until) {
        player->UpdatePosition();
        MediaTime current = 0;
        MediaTime stop = 0;
        if (Succeeded(Graph()->GetPositions(current, stop)) && stop > 0) {
            first = first == 0 ? stop : first;
            latest = current;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(player->EndReached);
    EXPECT_LT(first, 4 * Second) << "the first estimate was short, or the clip no longer tests anything";
    EXPECT_GE(latest, 49 * Second / 10) << "the end is reached at the true length, not the first estimate";
}

// Paused, stopped (rewound while paused), then run by a second press of the pause button: playback
// goes on from the start. On the sound sink's clock the picture froze at 0 in about one try of two.
TEST_F(GstPlaybackTest, AGraphRewoundWhilePausedRunsAgain) {
    const std::string path = Clip(".avi", true, true, 320, 240, 3.0);
    for (int attempt = 0; attempt < 4; ++attempt) {
        Open(path, false, false);
        player->Play();
        ASSERT_TRUE(WaitFor([&] { return player->GetPosition() > Second / 4; }));
        player->TogglePause();
        player->Stop();
        EXPECT_EQ(player->GetPosition(), 0);
        player->TogglePause();
        EXPECT_TRUE(WaitFor([&] { return player->GetPosition() > Second / 2; }))
            << "attempt " << attempt << ": the graph runs but playback stands at " << player->GetPosition();
    }
}

TEST_F(GstPlaybackTest, OpeningTwiceLeavesOneSetOfFiltersAndTheListingNamesThem) {
    const std::string path = Clip(".mp4");
    Open(path, true, true);
    const auto first = Filters();
    Open(path, true, true);
    const auto second = Filters();
    EXPECT_EQ(first.size(), second.size());
    EXPECT_EQ(Count(SourceFilterName), 1);
    EXPECT_EQ(Count(DeviceRendererName), 1);
    EXPECT_EQ(second.front(), SourceFilterName);
    EXPECT_EQ(second[1], DeviceRendererName);

    // Listing twice appends the same names twice, and changes nothing.
    RecordedLines lines;
    player->ListFilters(lines);
    player->ListFilters(lines);
    ASSERT_EQ(lines.lines.size(), 2 * second.size());
    EXPECT_TRUE(std::equal(second.begin(), second.end(), lines.lines.begin() + second.size()));
    EXPECT_TRUE(PlayToEnd());
}

// What reaches a sink, in order: 'F' for the first flush of each seek, 'P' for a picture; and where
// in the file the last picture stands.
class SinkArrivals {
public:
    explicit SinkArrivals(GstElement* pipeline) {
        gst_segment_init(&segment_, GST_FORMAT_TIME);
        for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(pipeline)))) {
            if (GST_IS_BASE_SINK(element.get())) {
                pad_ = Adopt(gst_element_get_static_pad(element.get(), "sink"));
                const gulong id = gst_pad_add_probe(
                    pad_.get(),
                    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                    &SinkArrivals::OnArrival, this, nullptr);
                probe_ = PadProbe(pad_.get(), id);
                return;
            }
        }
    }
    std::string Seen() {
        std::lock_guard guard(lock_);
        return seen_;
    }
    MediaTime LastPicture() {
        std::lock_guard guard(lock_);
        return lastPicture_;
    }

private:
    static GstPadProbeReturn OnArrival(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& self = *static_cast<SinkArrivals*>(data);
        std::lock_guard guard(self.lock_);
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            self.seen_ += 'P';
            const guint64 at = gst_segment_to_stream_time(&self.segment_, GST_FORMAT_TIME,
                                                          GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
            self.lastPicture_ = GST_CLOCK_TIME_IS_VALID(at) ? static_cast<MediaTime>(at / 100) : -1;
        } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
            gst_event_copy_segment(GST_PAD_PROBE_INFO_EVENT(info), &self.segment_);
        } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
                   GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_START &&
                   gst_event_get_seqnum(event) != self.seek_) {
            self.seek_ = gst_event_get_seqnum(event);
            self.seen_ += 'F';
        }
        return GST_PAD_PROBE_OK;
    }

    PadRef pad_;
    std::mutex lock_;
    std::string seen_;
    GstSegment segment_{};
    MediaTime lastPicture_ = -1;
    guint32 seek_ = GST_SEQNUM_INVALID;
    // Last, so that it goes first: the sink outlives this, and goes on taking pictures and flushes.
    PadProbe probe_;
};

// A drag of the seek bar seeks at every step, faster than a decoder lands a seek. Each step's place
// is read back at once; the pipeline has one seek in flight at a time, each lands (its picture
// reaches the sink) before the next is sent, and the drag ends on the picture where it was let go,
// brought in by the window's event loop alone when nothing asks the graph anything.
TEST_F(GstPlaybackTest, ADraggedThumbKeepsOneSeekInFlightAndEndsWhereItWasLetGo) {
    for (const bool playing : {false, true}) {
        Open(Clip(".mp4", true, false, 1280, 720, 4.0), false, false);
        if (playing) {
            player->Play();
            ASSERT_TRUE(WaitFor([&] { return player->GetPosition() > 0; }));
        }
        SinkArrivals arrivals(Graph()->Pipeline());
        MediaTime stop = 0;
        ASSERT_EQ(Graph()->GetStopPosition(stop), S_OK);
        constexpr int Steps = 40;
        for (int step = 1; step <= Steps; ++step) {
            const std::int32_t bar = 9000 - step * 200;
            EXPECT_EQ(player->SeekToBarPosition(bar), S_OK);
            EXPECT_EQ(player->GetPosition(), stop * bar / 10000) << "step " << step;
        }
        // The release and the end of the scroll, at one place.
        const MediaTime letGo = stop * 1000 / 10000;
        player->SeekToBarPosition(1000);
        player->SeekToBarPosition(1000);
        const auto landed = [&] {
            const MediaTime at = arrivals.LastPicture();
            // Playing, the pictures after it may have come already.
            return at > letGo - Second / 25 && at <= letGo + (playing ? Second / 2 : 0);
        };
        EXPECT_TRUE(WaitFor([&] {
            g_main_context_iteration(nullptr, FALSE);
            return landed();
        })) << arrivals.LastPicture();
        MediaTime shown = -1;
        WaitFor([&] { return (shown = Graph()->ShownPictureTime()) >= 0; });
        EXPECT_TRUE(shown <= letGo && shown > letGo - Second / 25) << "shows " << shown << " for " << letGo;
        const std::string seen = arrivals.Seen();
        EXPECT_EQ(seen.find("FF"), std::string::npos)
            << "a seek was sent before the last one landed: " << seen;
        EXPECT_LT(std::count(seen.begin(), seen.end(), 'F'), Steps / 2) << seen;
        if (playing) {
            EXPECT_GT(PlayAndFindLowestPlaceUntil(letGo + Second / 5), letGo - Second / 25);
        }
        EXPECT_TRUE(Graph()->Problems().empty()) << Graph()->Problems().front();
    }
}

// An end of preroll that no wait asked for (one posted once the pause for a seek was over, as the
// sound sinks' reopening posts one of its own) settles nothing: the seek waits for its own, and the
// picture at its place is shown when the pause that finishes it returns. The seek's pictures are held
// back until the graph sleeps waiting for them.
TEST_F(GstPlaybackTest, AnEndOfPrerollNobodyWaitedForDoesNotLandASeek) {
    Open(Clip(".mp4", true, false, 320, 240, 4.0), false, false);
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() > Second / 5; }));
    GstElement* pipeline = Graph()->Pipeline();
    const MediaTime target = 2 * Second;
    ASSERT_EQ(Graph()->SetPositions(target, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning),
              S_OK);
    GstState state = GST_STATE_NULL;
    ASSERT_EQ(gst_element_get_state(pipeline, &state, nullptr, 5 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    ASSERT_EQ(state, GST_STATE_PAUSED) << "the pipeline was not paused for the seek";

    const GstRef<GstElement> renderer = Adopt(gst_bin_get_by_name(GST_BIN(pipeline), VideoRendererName));
    ASSERT_TRUE(renderer);
    const PadRef input = Adopt(gst_element_get_static_pad(renderer.get(), "Input"));
    struct Gate : GraphWaitListener {
        GstPad* pad = nullptr;
        gulong probe = 0;
        void Open() {
            if (probe != 0) {
                gst_pad_remove_probe(pad, std::exchange(probe, 0));
            }
        }
        void GraphWaitBegins() override {}
        void GraphWaitSleeps(int news, std::chrono::steady_clock::time_point until) override {
            Open();
            SleepOnDescriptor(news, until);
        }
        void GraphWaitEnds() override {}
    } gate;
    gate.pad = input.get();
    gate.probe = gst_pad_add_probe(
        input.get(), static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
        [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
    const auto listener = std::make_shared<GraphWaitListener*>(&gate);
    Graph()->SetWaitListener(listener);

    gst_element_post_message(pipeline, gst_message_new_async_done(GST_OBJECT(pipeline), GST_CLOCK_TIME_NONE));
    player->TogglePause();
    const MediaTime shown = Graph()->ShownPictureTime();
    EXPECT_TRUE(shown <= target && shown > target - Second / 25) << "shows " << shown << " for " << target;
    *listener = nullptr;
    gate.Open();
    EXPECT_TRUE(Graph()->Problems().empty()) << Graph()->Problems().front();
}

} // namespace
